// The help texts of kesto-wdf.
#include "Commands.h"

#include <cstdio>
#include <cstring>

namespace kes::wdf::tool {
namespace {

const char kTool[] = "Usage: kesto-wdf <command> [arguments]\n"
                     "\n"
                     "Packs, lists, extracts and checks WDF archives, the files that hold a\n"
                     "Kesto game's data. Paths such as shape/char/0001.was (or shape\\char\\0001.was)\n"
                     "are looked up in the chain shape.wdf, shape.wd1 ... shape.wde, by the id of\n"
                     "the part after the first '/' (in a path without '/', the first '\\'); letter\n"
                     "case and the slashes that follow do not matter. Given the first archive of\n"
                     "a chain (<dir>.wdf), list, extract and verify act on every part a game\n"
                     "would search: the ones that follow it up to the first missing part.\n"
                     "\n"
                     "Commands:\n"
                     "  list <archive> [--names <list|folder>]...\n"
                     "      Shows the header and every entry: id, data offset, size, name.\n"
                     "  extract <archive> [<path>|<0xID>...] [-o <folder>] [--names <list|folder>]... [--force]\n"
                     "      Extracts the given files, or all of them.\n"
                     "  pack <folder> <archive.wdf> [--scrambled] [--split-size N[K|M|G]] [--split-count N]\n"
                     "       [--force] [--remove-stale]\n"
                     "      Packs every file below a folder into an archive or a chain.\n"
                     "  verify <archive>...\n"
                     "      Checks that the engine can read the archive.\n"
                     "\n"
                     "Run 'kesto-wdf <command> --help' for the details of one command, and\n"
                     "'kesto-wdf --version' for the version. An option may be given once, except\n"
                     "--names.\n"
                     "Exit status: 0 on success, 1 when an archive or a file is bad or cannot be\n"
                     "read or written, 2 when the command line is wrong.\n";

const char kList[] = "Usage: kesto-wdf list <archive> [--names <list|folder>]...\n"
                     "\n"
                     "Prints the archive's magic, entry count and index offset, then one line per\n"
                     "index entry: id, data offset and size, and the name when one is known, as a\n"
                     "game loads it (shape/char/0001.was for an entry of shape.wdf; an archive\n"
                     "that no game reaches by name, such as a copy named shape.bak, shows the\n"
                     "path inside it). For a chain, each part is listed this way under its own\n"
                     "header line, and a last line counts the parts and their entries.\n"
                     "\n"
                     "  --names <file>    a list of game paths, one a line (shape/char/0001.was,\n"
                     "                    shape\\char\\0001.was); each is hashed as the engine\n"
                     "                    hashes names it loads, and names entries only of the\n"
                     "                    archive a game looks in (shape.wdf and its chain)\n"
                     "  --names <folder>  the files below a folder, as `pack` would store them\n"
                     "  --names may be given more than once.\n";

const char kExtract[] =
    "Usage: kesto-wdf extract <archive> [<path>|<0xID>...] [-o <folder>] [--names <list|folder>]... [--force]\n"
    "\n"
    "Writes files of the archive below the output folder (default: the current\n"
    "one). Without paths or ids, every entry is extracted, from every part of a\n"
    "chain. A file is written under its path inside the archive when it is\n"
    "known, else as <0xID>.bin, which pack stores under that id again.\n"
    "Every path and id given must be in the archive, else nothing is written.\n"
    "Existing files are compared first: identical ones are left as they are, and\n"
    "one that differs stops the extract before anything is written, unless\n"
    "--force is given. A damaged entry is reported and the others are still\n"
    "written; an output that cannot be written (a folder, a full disk) stops the\n"
    "extract with one message. An extract that fails leaves no folder it made\n"
    "empty behind.\n"
    "\n"
    "  <path>            a game path that leads to this archive (shape/char/0001.was,\n"
    "                    shape\\char\\0001.was) or, when no file has that id, a path\n"
    "                    inside the archive (char/0001.was)\n"
    "  <0xID>            an id in hexadecimal, as `list` prints it\n"
    "  -o, --output <folder>  where to write (created when missing)\n"
    "  --names <list|folder>  names for the ids, as for `list`\n"
    "  --force           replace existing files that differ from the archive's\n";

const char kPack[] =
    "Usage: kesto-wdf pack <folder> <archive.wdf> [--scrambled] [--split-size N[K|M|G]] [--split-count N]\n"
    "                      [--force] [--remove-stale]\n"
    "\n"
    "Packs every file below <folder>. A file at <folder>/char/0001.was is stored\n"
    "under the id the engine looks up for <dir>/char/0001.was, so the archive\n"
    "must be registered as <dir>.wdf for a game to find it there: pack the folder\n"
    "that holds char/, not the one above it. When every file lies below one\n"
    "folder named like the archive (<folder>/<dir>/...), a game would have to\n"
    "load <dir>/<dir>/...; pack warns and names the folder to pack instead.\n"
    "Two files whose paths give the same id (they differ only in letter case,\n"
    "for instance) are an error. A file named <0xID>.bin at the top of <folder>,\n"
    "as extract writes one whose name it does not know, is stored under that id\n"
    "again. The archive's folder is created when missing.\n"
    "\n"
    "  --scrambled        store the index scrambled (magic XFDW); else PFDW\n"
    "  --force            replace archives that exist (else an error; a device\n"
    "                     such as /dev/null is written as it is)\n"
    "  --split-size N     start a new archive of the chain before one would grow\n"
    "                     beyond N bytes (K, M, G: 1024, 1024^2, 1024^3)\n"
    "  --split-count N    put at most N files in one archive\n"
    "  --remove-stale     remove the parts of an earlier, longer chain that this\n"
    "                     pack does not write (else an error that names them)\n"
    "\n"
    "With a split option the archives are <dir>.wdf, <dir>.wd1 ... <dir>.wde; the\n"
    "first must end in .wdf, and more than 15 archives are refused. No archive\n"
    "grows beyond 2 GB - 1 byte. A game searches every part that lies beside the\n"
    "first, so a part an earlier pack left beyond the new chain's last (an old\n"
    "<dir>.wd2 after a pack into <dir>.wdf and <dir>.wd1) would repeat its ids:\n"
    "the pack is refused, before anything is written, unless --remove-stale is\n"
    "given.\n";

const char kVerify[] = "Usage: kesto-wdf verify <archive>...\n"
                       "\n"
                       "Checks that the magic is PFDW, XFDW or HFDW, that the index lies inside the\n"
                       "file, past the header, in strictly ascending order of id without repeats,\n"
                       "and that every entry's data lies inside the file and not at offset 0. For a\n"
                       "chain, every part is checked, and also that no id is held by two parts and\n"
                       "that no part lies past a missing one, where a game never looks.\n"
                       "Exit status 0 when the archive is valid, 1 with one message per problem.\n";

} // namespace

bool PrintUsage(const char* command, bool toStderr)
{
    const char* text = kTool;
    if (command) {
        if (!strcmp(command, "list"))
            text = kList;
        else if (!strcmp(command, "extract"))
            text = kExtract;
        else if (!strcmp(command, "pack"))
            text = kPack;
        else if (!strcmp(command, "verify"))
            text = kVerify;
        else
            return false;
    }
    fputs(text, toStderr ? stderr : stdout);
    return true;
}

} // namespace kes::wdf::tool
