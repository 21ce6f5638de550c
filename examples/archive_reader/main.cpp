// Reads files the way a game does: registers archives, then loads names
// through MFile, from loose files or from the archives' chains.
//
//   archive_reader <archive.wdf>... -- <game path>...
#include <KesApp.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    MApp app;
    int i = 1;
    for (; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        const int ok = MFile::OpenDataFile(argv[i]);
        printf("registered %-28s %s\n", argv[i], ok ? "yes" : "NO");
    }
    int failures = 0;
    for (++i; i < argc; ++i) {
        MFile file;
        if (!file.Load(argv[i], 0)) {
            printf("%-36s not found\n", argv[i]);
            ++failures;
            continue;
        }
        // Show where it came from and the start of its contents.
        char preview[41];
        const DWORD n = file.GetSize() < 40 ? file.GetSize() : 40;
        for (DWORD k = 0; k < n; ++k) {
            const char c = static_cast<char*>(file.GetPtr(0))[k];
            preview[k] = (c >= 32 && c < 127) ? c : '.';
        }
        preview[n] = 0;
        printf("%-36s id 0x%08X  %8u bytes  %s  \"%s\"\n", argv[i], MFile::Fnameid(argv[i]), file.GetSize(),
               file.m_Offset ? "archive" : "loose  ", preview);
    }
    return failures ? 1 : 0;
}
