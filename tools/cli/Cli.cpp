#include "Cli.h"

#include <KesVersion.h>

#include <cstdio>
#include <cstring>

namespace kes::cli {
namespace {

const char* g_tool = "kesto";

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& name)
{
    for (const OptionSpec& s : specs) {
        if (name == s.name || (s.alias && name == s.alias)) return &s;
    }
    return nullptr;
}

} // namespace

void SetToolName(const char* name)
{
    g_tool = name;
}

void Error(const std::string& message)
{
    fprintf(stderr, "%s: error: %s\n", g_tool, message.c_str());
}

void Warning(const std::string& message)
{
    fprintf(stderr, "%s: warning: %s\n", g_tool, message.c_str());
}

void Note(const std::string& message)
{
    fprintf(stderr, "%s: %s\n", g_tool, message.c_str());
}

int UsageError(const std::string& message, const char* command)
{
    Error(message);
    if (command)
        fprintf(stderr, "Run '%s %s --help' for its usage.\n", g_tool, command);
    else
        fprintf(stderr, "Run '%s --help' for usage.\n", g_tool);
    return kExitUsage;
}

bool ParsedArgs::Has(const char* name) const
{
    for (const auto& o : options)
        if (o.first == name) return true;
    return false;
}

std::vector<std::string> ParsedArgs::Values(const char* name) const
{
    std::vector<std::string> values;
    for (const auto& o : options)
        if (o.first == name) values.push_back(o.second);
    return values;
}

std::string ParsedArgs::Last(const char* name) const
{
    std::string value;
    for (const auto& o : options)
        if (o.first == name) value = o.second;
    return value;
}

bool ParseArgs(int argc, char** argv, int first, const std::vector<OptionSpec>& specs, ParsedArgs* out,
               std::string* error)
{
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out->positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            out->help = true;
            continue;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        const size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        const OptionSpec* wanted = FindSpec(specs, name);
        if (!wanted) {
            *error = "unknown option " + name;
            return false;
        }
        if (!wanted->takesValue) {
            if (inlineValue) {
                *error = std::string(wanted->name) + " takes no value";
                return false;
            }
        } else if (!inlineValue) {
            if (i + 1 >= argc) {
                *error = std::string(wanted->name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (wanted->takesValue && value.empty()) {
            *error = std::string(wanted->name) + " needs a value";
            return false;
        }
        if (!wanted->repeats && out->Has(wanted->name)) {
            *error = std::string(wanted->name) + " is given twice";
            return false;
        }
        out->options.emplace_back(wanted->name, value);
    }
    return true;
}

std::string Count(unsigned long long n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

int RunTool(int argc, char** argv, const char* tool, const std::vector<Command>& commands,
            bool (*printUsage)(const char* command, bool toStderr))
{
    SetToolName(tool);
    if (argc < 2) {
        printUsage(nullptr, true);
        return kExitUsage;
    }
    const char* command = argv[1];
    if (!strcmp(command, "--version")) {
        printf("%s %s\n", tool, KESTO_VERSION);
        return kExitOk;
    }
    if (!strcmp(command, "-h") || !strcmp(command, "--help") || !strcmp(command, "help")) {
        if (argc > 2 && !printUsage(argv[2], false)) return UsageError(std::string("unknown command ") + argv[2]);
        if (argc == 2) printUsage(nullptr, false);
        return kExitOk;
    }
    for (const Command& c : commands)
        if (!strcmp(command, c.name)) return c.run(argc, argv, 2);
    return UsageError(std::string("unknown command '") + command + "'");
}

} // namespace kes::cli
