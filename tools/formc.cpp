// vantor-formc: compiles a form source into a form archive.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "forms/model.h"
#include "tools/form_source.h"
#include "tools/tool_args.h"

namespace {

const char kUsage[] =
    "usage: vantor-formc SOURCE -o ARCHIVE [--handler NAME=OFFSET]...\n"
    "                    [--header FILE [--namespace NS]]\n"
    "  Compiles a form source (UTF-8 text; syntax in tools/form_source.h) into a\n"
    "  form archive. --handler sets the offset of a symbolic handler named by an\n"
    "  'on' line, overriding the source's 'handler NAME=OFFSET' default.\n"
    "  --header also writes a C++ header of the source's symbol= ids and handler\n"
    "  offsets, in namespace NS (default form_symbols).\n";

// Writes `text` to `path`; false with a message on failure.
bool write_text(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out)
        return true;
    std::fprintf(stderr, "%s: error: cannot write: %s\n", path.c_str(), std::strerror(errno));
    std::remove(path.c_str());
    return false;
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
    vantor::tools::ToolArgs args(argc, argv, "vantor-formc", kUsage);
    std::string arg, value, source, output, header, name_space = "form_symbols";
    vantor::tools::CompileOptions options;
    vantor::tools::FormSymbols symbols;
    options.symbols = &symbols;
    while (args.next(arg, value, {"-o", "--handler", "--header", "--namespace"})) {
        if (arg == "-o") {
            output = value;
        } else if (arg == "--header") {
            header = value;
        } else if (arg == "--namespace") {
            name_space = value;
        } else if (arg == "--handler") {
            if (!parse_handler(value, options))
                return args.error("bad --handler '" + value + "' (expected NAME=OFFSET)");
        } else if (int status = args.operand(arg, source, "source")) {
            return status;
        }
    }
    if (args.status)
        return *args.status;
    if (source.empty() || output.empty())
        return args.error("need a source and -o ARCHIVE");

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
    const std::string source_name = std::filesystem::path(source).filename().string();
    if (!header.empty() &&
        !write_text(header, vantor::tools::symbols_header(symbols, source_name, name_space)))
        return 1;
    return 0;
}
