// kesto-wdf: packs, lists, extracts and checks WDF archives.
#include "Commands.h"

#include <Cli.h>

int main(int argc, char** argv)
{
    using namespace kes::wdf::tool;
    return kes::cli::RunTool(argc, argv, "kesto-wdf",
                             {{"list", RunList}, {"extract", RunExtract}, {"pack", RunPack}, {"verify", RunVerify}},
                             PrintUsage);
}
