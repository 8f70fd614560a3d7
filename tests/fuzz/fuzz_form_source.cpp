// libFuzzer target of the form compiler's parser, which reads files a person
// writes. Besides the sanitizers it checks and aborts when one fails:
//   - a rejected source gets a diagnostic with a message and a line inside it;
//   - an accepted source compiles to an archive that decodes, re-encodes to the
//     same bytes, and dumps to a source that compiles to the same archive.
// file:"..." values never reach the disk: they read a few bytes made from the
// name, so the seeds (the project's .form files) compile here too.
#include <algorithm>
#include <limits>
#include <string>
#include <string_view>

#include "forms/model.h"
#include "tests/fuzz/promise.h"
#include "tools/form_source.h"

using namespace vantor;

extern "C" const char* __asan_default_options() {
    return "malloc_context_size=0:quarantine_size_mb=16";
}

namespace {

// An icon header for names ending in .ico (a real one is too big to fuzz
// quickly), else the name's own bytes.
bool fake_read(const std::string& path, std::string& out, std::string&) {
    static const char kIcon[] = {0, 0, 1, 0, 1, 0, 16, 16};
    out = path.ends_with(".ico") ? std::string(kIcon, sizeof kIcon) : path;
    return true;
}

// Compiles `text`; on success `archive` holds the encoded archive.
bool compile(std::string_view text, forms::ByteVec& archive, tools::Diagnostic& diag) {
    tools::CompileOptions options;
    options.read = fake_read;
    forms::ArchiveModel model;
    if (!tools::parse_form_source(text, "fuzz/input.form", options, model, diag))
        return false;
    archive = forms::encode_archive(model);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    forms::ByteVec archive;
    tools::Diagnostic diag;
    if (!compile(text, archive, diag)) {
        const auto lines = size_t(std::count(text.begin(), text.end(), '\n')) + 1;
        require(!diag.message.empty() && diag.line >= 0 && size_t(diag.line) <= lines,
                "a rejected source gets a diagnostic on one of its lines", diag.str());
        return 0;
    }
    require(diag.message.empty(), "an accepted source has no diagnostic", diag.str());

    forms::ArchiveModel decoded;
    std::string error;
    require(forms::decode_archive(archive.data(), archive.size(), decoded, &error),
            "a compiled archive decodes", error);
    require(forms::encode_archive(decoded) == archive, "a compiled archive re-encodes the same");

    tools::DumpOptions dump;
    dump.inline_limit = std::numeric_limits<size_t>::max(); // every buffer inline: no files
    std::string source;
    require(tools::dump_form_source(decoded, dump, source, &error), "the dump succeeds", error);
    forms::ByteVec again;
    require(compile(source, again, diag), "the dump compiles", diag.str() + "\n" + source);
    require(again == archive, "the dump compiles to the same archive", source);
    return 0;
}
