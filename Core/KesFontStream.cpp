// Font files are opened through the same Win32 file calls as every other
// file the engine reads, so a font is named the way the game names its data
// ("font\simsun.ttc", any case of letters) on every platform. FreeType reads
// the file through a stream over the handle, piece by piece as it needs
// them: a CJK font of tens of megabytes is never loaded whole.
#include "KesFontFace.h"
#include "KesLooksLike.h"

#include FT_SYSTEM_H

#include <new>
#include <string.h>

namespace {

struct FileStream {
    FT_StreamRec rec;  // first: FreeType hands back a pointer to it
    HANDLE file;
};

// FreeType's stream contract: a count of 0 asks for a seek (0 is success),
// otherwise the number of bytes read at `offset` is returned.
unsigned long ReadAt(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count)
{
    FileStream* s = reinterpret_cast<FileStream*>(stream);
    if (offset > stream->size) return count ? 0 : 1;
    if (SetFilePointer(s->file, LONG(offset), 0, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return count ? 0 : 1;
    if (count == 0) return 0;
    DWORD got = 0;
    if (!ReadFile(s->file, buffer, DWORD(count), &got, 0)) return 0;
    return got;
}

// Called once by FreeType when the face is done, or when opening it failed:
// the stream is ours to free then.
void Close(FT_Stream stream)
{
    FileStream* s = reinterpret_cast<FileStream*>(stream);
    CloseHandle(s->file);
    delete s;
}

// What FreeType's error codes mean for a font file that does not open.
const char* FreeTypeFailure(FT_Error error)
{
    switch (error) {
    case FT_Err_Unknown_File_Format: return "no format it knows";
    case FT_Err_Invalid_File_Format: return "an invalid file";
    case FT_Err_Invalid_Table: return "a damaged table";
    case FT_Err_Invalid_Stream_Read:
    case FT_Err_Invalid_Stream_Seek:
    case FT_Err_Invalid_Frame_Operation:
    case FT_Err_Invalid_Frame_Read: return "the file ends early";
    default: return "its own reason";
    }
}

} // namespace

namespace kes {

FT_Error OpenFontFace(FT_Library library, const char* path, FT_Face* face, Reason* why)
{
    *face = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) {
        Why(why, "%s", OpenFailure(GetLastError()));
        return FT_Err_Cannot_Open_Resource;
    }
    const DWORD size = GetFileSize(file, 0);
    FileStream* s = new (std::nothrow) FileStream();
    if (size == INVALID_FILE_SIZE || !s) {
        Why(why, "its size cannot be read");
        CloseHandle(file);
        delete s;
        return FT_Err_Cannot_Open_Stream;
    }
    // The first bytes, for what a file FreeType does not take looks like
    // (the stream seeks before every read, so this costs it nothing).
    unsigned char head[16];
    DWORD got = 0;
    if (!ReadFile(file, head, sizeof head, &got, 0)) got = 0;
    s->file = file;
    s->rec.size = size;
    s->rec.read = ReadAt;
    s->rec.close = Close;

    FT_Open_Args args = {};
    args.flags = FT_OPEN_STREAM;
    args.stream = &s->rec;
    // From here FreeType owns the stream and closes it on failure too.
    const FT_Error error = FT_Open_Face(library, &args, 0, face);
    if (error) {
        // FreeType's drivers fail small files of other kinds in many ways;
        // what the file looks like says more than which of them answered.
        char kind[kLooksLikeText];
        LooksLike(head, got, kind);
        const bool fontLike = strcmp(kind, "looks like a font") == 0;
        if (!fontLike && (strncmp(kind, "looks like ", 11) == 0 || error == FT_Err_Unknown_File_Format))
            Why(why, "not a font FreeType reads; the file %s", kind);
        else
            Why(why, "a damaged font: FreeType cannot open it (%s, error 0x%02X)", FreeTypeFailure(error),
                unsigned(error));
    }
    return error;
}

} // namespace kes
