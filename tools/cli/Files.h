// Files the tools read, and files and folders they write: a file is written
// whole or not at all, and nothing is replaced unless the user asked for it.
//
// A regular file is written under a temporary name beside its target and
// moved into place once complete, so that a failed write (a full disk, say)
// leaves what was there before. A device or a pipe (/dev/null, /dev/stdout)
// is written as it is: it holds nothing that could be replaced, and a
// temporary file beside it would land in /dev.
//
// Every message names the path and gives the system's reason ("out/a.was:
// cannot write: No space left on device").
#ifndef KESTO_TOOLS_CLI_FILES_H
#define KESTO_TOOLS_CLI_FILES_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace kes::cli {

// Reads the whole of a file into `bytes`. False with a message.
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error);

// False with "<path> exists; give --force to replace it" when a file lies at
// `path` and `force` is false, or with a message when a folder lies there.
bool MayReplace(const std::string& path, bool force, std::string* error);

// Creates `folder` and the folders above it, as needed. False with a
// message when one cannot be made or a file is in the way.
bool MakeFolder(const std::string& folder, std::string* error);

// Folders made for a command's output. Those still empty when it ends are
// removed again unless the command kept them, so that a command that fails
// leaves no folder behind; folders that were there before are never touched.
class MadeFolders {
public:
    MadeFolders() = default;
    MadeFolders(const MadeFolders&) = delete;
    MadeFolders& operator=(const MadeFolders&) = delete;
    ~MadeFolders();

    // MakeFolder, remembering the folders that were not there before.
    bool Make(const std::string& folder, std::string* error);
    // The command succeeded: its folders stay, empty or not.
    void Keep() { m_made.clear(); }

private:
    std::vector<std::string> m_made; // deepest first
};

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    OutputFile& operator=(OutputFile&&) = delete;
    // A file not finished is removed: nothing half-written is left behind.
    ~OutputFile();

    // Starts writing `path`, after MayReplace. False with a message.
    bool Open(const std::string& path, bool force, std::string* error);
    const std::string& Path() const { return m_path; }
    // The open stream, for writers that take one; a failure they see is
    // told with WriteFailed.
    FILE* Stream() const { return m_file; }
    bool Write(const void* data, size_t size, std::string* error);
    // "<path>: cannot write: <the system's reason>", from errno.
    std::string WriteFailed() const;
    // Flushes, closes and moves the file into place. False with a message;
    // the target is then as it was.
    bool Finish(std::string* error);

private:
    void Discard();

    std::string m_path;
    std::string m_temp; // empty: written in place (a device or a pipe)
    FILE* m_file = nullptr;
};

} // namespace kes::cli

#endif
