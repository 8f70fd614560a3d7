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

namespace {

const char kUsage[] =
    "usage: vantor-formdump ARCHIVE [-o SOURCE] [--all] [--extract-dir DIR] [--inline-limit N]\n"
    "  --all prints every property of each block, defaults included.\n"
    "  Prints a form archive as form source (texts converted from GBK to UTF-8).\n"
    "  Byte buffers longer than N bytes (default 256) are written as files into\n"
    "  DIR and named by file:\"...\"; without --extract-dir they are summarised as\n"
    "  omitted:LENGTH, and the output then does not compile back.\n";

int usage_error(const std::string& message) {
    std::fprintf(stderr, "vantor-formdump: %s\n%s", message.c_str(), kUsage);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string archive_path, output;
    vantor::tools::DumpOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        bool takes_value = arg == "-o" || arg == "--extract-dir" || arg == "--inline-limit";
        if (takes_value && i + 1 == argc)
            return usage_error(arg + " needs a value");
        if (arg == "-o") {
            output = argv[++i];
        } else if (arg == "--all") {
            options.all_properties = true;
        } else if (arg == "--extract-dir") {
            options.extract_dir = argv[++i];
        } else if (arg == "--inline-limit") {
            char* end = nullptr;
            errno = 0;
            unsigned long long n = std::strtoull(argv[++i], &end, 10);
            if (errno != 0 || *end != '\0' || argv[i][0] == '-' || argv[i][0] == '\0')
                return usage_error(std::string("bad --inline-limit '") + argv[i] + "'");
            options.inline_limit = static_cast<size_t>(n);
        } else if (!arg.empty() && arg[0] == '-') {
            return usage_error("unknown option " + arg);
        } else if (archive_path.empty()) {
            archive_path = arg;
        } else {
            return usage_error("more than one archive given");
        }
    }
    if (archive_path.empty())
        return usage_error("no archive given");

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
