// vantor-formdump: prints a form archive as form source.
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
    "usage: vantor-formdump ARCHIVE [-o SOURCE] [--all] [--extract-dir DIR] [--inline-limit N]\n"
    "  --all prints every property of each block, defaults included.\n"
    "  Prints a form archive as form source (texts converted from GBK to UTF-8).\n"
    "  Byte buffers longer than N bytes (default 256) are written as files into\n"
    "  DIR and named by file:\"...\"; without --extract-dir they are summarised as\n"
    "  omitted:LENGTH, and the output then does not compile back.\n";

} // namespace

int main(int argc, char** argv) {
    vantor::tools::ToolArgs args(argc, argv, "vantor-formdump", kUsage);
    std::string arg, value, archive_path, output;
    vantor::tools::DumpOptions options;
    while (args.next(arg, value, {"-o", "--extract-dir", "--inline-limit"})) {
        if (arg == "-o") {
            output = value;
        } else if (arg == "--all") {
            options.all_properties = true;
        } else if (arg == "--extract-dir") {
            options.extract_dir = value;
        } else if (arg == "--inline-limit") {
            char* end = nullptr;
            errno = 0;
            unsigned long long n = std::strtoull(value.c_str(), &end, 10);
            if (errno != 0 || *end != '\0' || value.empty() || value[0] == '-')
                return args.error("bad --inline-limit '" + value + "'");
            options.inline_limit = static_cast<size_t>(n);
        } else if (int status = args.operand(arg, archive_path, "archive")) {
            return status;
        }
    }
    if (args.status)
        return *args.status;
    if (archive_path.empty())
        return args.error("no archive given");

    std::string data, error;
    if (!vantor::tools::read_file(archive_path, data, error)) {
        std::fprintf(stderr, "%s: error: cannot read: %s\n", archive_path.c_str(), error.c_str());
        return 1;
    }
    vantor::forms::ArchiveModel model;
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data());
    // Any archive the runtime reads is printed, whatever the layout of its records.
    if (!vantor::forms::decode_archive(bytes, data.size(), model, &error,
                                       vantor::forms::DecodeLayout::AsRead)) {
        std::fprintf(stderr, "%s: error: not a valid form archive: %s\n", archive_path.c_str(),
                     error.c_str());
        return 1;
    }
    // Extracted files are named relative to where the printed source will live.
    if (!output.empty())
        options.source_dir = std::filesystem::path(output).parent_path().string();
    if (options.source_dir.empty() && !output.empty())
        options.source_dir = ".";
    std::string text;
    if (!vantor::tools::dump_form_source(model, options, text, &error)) {
        std::fprintf(stderr, "vantor-formdump: error: %s\n", error.c_str());
        return 1;
    }
    if (output.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: error: cannot write: %s\n", output.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}
