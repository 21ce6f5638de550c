// Property: registering any file as an archive and loading and streaming
// names from it never faults, and whatever is read stays inside the file.
#include <KesDataFile.h>
#include <KesFile.h>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kes::CloseAllDataFiles();
    kes::fuzz::WriteInput("fuzz.wdf", data, size);
    if (!MFile::OpenDataFile("fuzz.wdf")) return 0;
    const kes::DataFileSlot& slot = kes::DataFileSlots()[0];
    // Every entry of the index, by id; and a name through the chain search.
    for (DWORD i = 0; i < slot.count && i < 64; ++i) {
        MFile f;
        if (f.Load("fuzz/x", slot.pIndex[i].id) && f.GetSize() > size) __builtin_trap();
        MFile s;
        char buf[64];
        DWORD got = 0;
        if (s.Open("fuzz/x")) s.Read(buf, sizeof buf, DWORD(0), &got);
    }
    return 0;
}
