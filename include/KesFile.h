/// \file
/// Reading game data: loose files and WDF archives, and the name hash.
///
/// A name is tried first as a loose file (relative names resolve against the
/// current directory, Windows-style: either slash, any letter case), then by id
/// in the archives registered with MFile::OpenDataFile. Paths such as
/// "shape/char/0001.was" are looked up in the chain shape.wdf, shape.wd1, ...
/// shape.wde.
#ifndef KESTO_KESFILE_H
#define KESTO_KESFILE_H

#include <KesUtility.h>

/// The 32-bit id of the bytes of `s` as they are (no case folding, no
/// separator handling). Ids key archive entries, archives and the caches.
KESTO_API DWORD WString2ID(const char* s);

/// One file of the game's data, loose or inside a registered archive:
/// loaded whole into a buffer (Load) or read as a positioned stream (Open).
/// The object owns the buffer and a loose file's handle; an archive's handle
/// is shared by every MFile and stays open.
class KESTO_API MFile {
public:
    HANDLE m_File;  ///< stream handle; INVALID_HANDLE_VALUE when no stream is open
    char* m_Data;   ///< file read by the last successful Load, plus a zero byte (malloc)
    DWORD m_Offset; ///< first byte inside the archive; 0 for a loose file (then m_File is ours)
    DWORD m_Size;   ///< file size in bytes

    MFile(); ///< Empty: no buffer, no stream.
    ~MFile(); ///< Ends the stream (as Close) and frees the buffer.

    /// Registers the archive at `path` for the whole process. 1 when it is
    /// registered afterwards (also when it already was), 0 on failure. The
    /// path may lead through folders with either slash ("data/shape.wdf");
    /// the archive is known by its file name alone, so names such as
    /// "shape/char/0001.was" find it wherever it lies. Every file of a chain
    /// (shape.wdf, shape.wd1, ...) is registered by its own call.
    static int OpenDataFile(const char* path);

    /// The id under which `path` is stored in its archive: the part after the
    /// first '/' (in a name without '/', the first '\'), lower-cased, with
    /// further '/' turned into '\'. 0 without either separator.
    static DWORD Fnameid(const char* path);

    /// Reads the whole file into m_Data (followed by a zero byte). `id` is the
    /// archive id to look for, 0 to derive it from `name`. 1 on success; on
    /// failure 0 and the previous buffer stays.
    int Load(const char* name, DWORD id = 0);
    /// Opens a positioned stream over the file. Close a previous stream first.
    int Open(const char* name);
    /// Ends the stream. An archive's shared handle stays open; a loose file's
    /// handle is closed. The loaded buffer stays.
    void Close();

    /// Byte `pos` of the loaded buffer (no check; null + pos before a Load).
    /// The buffer belongs to the object: valid until the next successful
    /// Load or the object's end.
    void* GetPtr(int pos = 0) { return m_Data + pos; }
    DWORD GetSize() { return m_Size; } ///< the size of the file last loaded or opened

    // Stream operations; they need a stream opened with Open.
    /// Positioned read of up to `size` bytes, never past the file's end.
    /// 1 when bytes were read; 0 at or past the end and on failure.
    int Read(void* buf, DWORD size, DWORD pos, DWORD* got);
    /// Read at the current position; with `got` the read stops at the file's
    /// end (1 with *got 0 there), without it `size` bytes are read unclipped.
    int Read(void* buf, DWORD size, DWORD* got);
    void Seek(DWORD pos);     ///< Moves the stream to byte `pos` of the file (not clipped).
    DWORD Tell() const;       ///< The stream's position in the file.
    void Skip(int n);         ///< Moves the stream `n` bytes on (back when negative).
    int IsEnd() const;        ///< 1 at or past the file's end, else 0.

    /// Not copied: two objects would free one buffer and close one handle.
    MFile(const MFile&) = delete;
    MFile& operator=(const MFile&) = delete; ///< not assigned, for the same reason
};

#endif
