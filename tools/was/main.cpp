// kesto-was: shows, exports and encodes WAS sprite animations.
#include "Commands.h"

#include <Cli.h>

int main(int argc, char** argv)
{
    using namespace kes::was::tool;
    return kes::cli::RunTool(argc, argv, "kesto-was",
                             {{"info", RunInfo}, {"export", RunExport}, {"encode", RunEncode}}, PrintUsage);
}
