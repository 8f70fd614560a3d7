// vantor-formc: compiles a form source into a form archive.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "forms/model.h"
#include "tools/form_source.h"

namespace {

const char kUsage[] =
    "usage: vantor-formc SOURCE -o ARCHIVE [--handler NAME=OFFSET]...\n"
    "  Compiles a form source (UTF-8 text; syntax in tools/form_source.h) into a\n"
    "  form archive. --handler sets the offset of a symbolic handler named by an\n"
    "  'on' line, overriding the source's 'handler NAME=OFFSET' default.\n";

int usage_error(const std::string& message) {
    std::fprintf(stderr, "vantor-formc: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// NAME=OFFSET with OFFSET decimal or 0x hex, -1 allowed.
bool parse_handler(const std::string& arg, vantor::tools::CompileOptions& options) {
    size_t eq = arg.find('=');
    if (eq == 0 || eq == std::string::npos || eq + 1 == arg.size())
        return false;
    std::string value = arg.substr(eq + 1);
    char* end = nullptr;
    errno = 0;
    long long n = std::strtoll(value.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || n < INT32_MIN || n > static_cast<long long>(UINT32_MAX))
        return false;
    options.handlers[arg.substr(0, eq)] = static_cast<int32_t>(static_cast<uint32_t>(n));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string source, output;
    vantor::tools::CompileOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if ((arg == "-o" || arg == "--handler") && i + 1 == argc)
            return usage_error(arg + " needs a value");
        if (arg == "-o") {
            output = argv[++i];
        } else if (arg == "--handler") {
            if (!parse_handler(argv[++i], options))
                return usage_error(std::string("bad --handler '") + argv[i] +
                                   "' (expected NAME=OFFSET)");
        } else if (!arg.empty() && arg[0] == '-') {
            return usage_error("unknown option " + arg);
        } else if (source.empty()) {
            source = arg;
        } else {
            return usage_error("more than one source given");
        }
    }
    if (source.empty() || output.empty())
        return usage_error("need a source and -o ARCHIVE");

    vantor::forms::ArchiveModel model;
    vantor::tools::Diagnostic diag;
    if (!vantor::tools::load_form_source(source, options, model, diag)) {
        std::fprintf(stderr, "%s\n", diag.str().c_str());
        return 1;
    }
    vantor::forms::ByteVec archive = vantor::forms::encode_archive(model);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(archive.data()),
              static_cast<std::streamsize>(archive.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: error: cannot write: %s\n", output.c_str(), std::strerror(errno));
        std::remove(output.c_str());
        return 1;
    }
    return 0;
}
