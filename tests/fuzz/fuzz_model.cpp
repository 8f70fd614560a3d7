// libFuzzer target of the archive's model codec, which the form tools use to
// dump and compile archives. It reads the archive as the runtime does and
// checks, aborting when a promise is broken:
//   - what decodes also reads;
//   - an archive that decodes re-encodes to the same bytes (window slots 0);
//   - one that only reads decodes as read (records out of order, gaps, extra
//     bytes: the dump's layout) into a model whose encoding decodes exactly.
// It takes the archive target's seeds and dictionary (tools/test.sh).
#include <cstring>
#include <span>
#include <string>

#include "forms/archive.h"
#include "forms/model.h"
#include "tests/fuzz/promise.h"

using namespace vantor::forms;

extern "C" const char* __asan_default_options() {
    return "malloc_context_size=0:quarantine_size_mb=16";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WindowTable table;
    ArchiveModel model;
    std::string error;
    if (!read_window_table(data, uint32_t(size), table, &error)) {
        require(!decode_archive(data, size, model, &error), "what decodes also reads");
        return 0;
    }
    if (decode_archive(table, data, size, model, &error)) {
        if (size == 0)
            return 0;
        ByteVec expected(data, data + size);
        std::memset(expected.data() + 4 + 4 * model.windows.size(), 0,
                    4 * model.windows.size()); // window object slots
        require(encode_archive(model) == expected, "encode(decode(x)) == x");
    } else if (size > 0) {
        require(decode_archive(table, data, size, model, &error, DecodeLayout::AsRead),
                "what reads decodes as read", error);
        const ByteVec stored = encode_archive(model);
        require(decode_archive(stored.data(), stored.size(), model, &error),
                "the stored layout decodes exactly", error);
    }
    return 0;
}
