// Reading a whole form archive into the window table, in MB/s, beside a plain
// memcpy of the same bytes. The archive is the file named by VANTOR_ARCHIVE,
// or else one built here in the launcher's shape: one window, 14 units, the
// window unit carrying a ~450 KB icon buffer.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "forms/archive.h"
#include "forms/blocks.h"
#include "forms/model.h"

using namespace vantor::forms;

namespace {

ByteVec built_archive() {
    WindowDesc w{0x52010003, 0x02050c88, 0x19010007, "", "", {}};
    for (uint32_t i = 0; i < 14; ++i) {
        UnitDesc u;
        u.id = i == 0 ? 0x06010002 : 0x16010004 + i;
        u.kind = i == 0 ? 0x00010001 : 0x0001000b;
        u.name = "unit" + std::to_string(i);
        u.mouse_pointer = {0, 0, 0, 0};
        u.state = 5;
        u.events = {{0, 0x44}};
        if (i == 0) {
            WindowProps p;
            p.Icon.resize(454998);
            for (size_t k = 0; k < p.Icon.size(); ++k)
                p.Icon[k] = uint8_t(k * 31);
            u.block = write_block(p);
        } else {
            u.block = write_block(ButtonProps{});
        }
        w.units.push_back(std::move(u));
    }
    return encode_archive(ArchiveModel{{w}});
}

const ByteVec& archive() {
    static const ByteVec bytes = [] {
        if (const char* path = std::getenv("VANTOR_ARCHIVE")) {
            std::ifstream in(path, std::ios::binary);
            ByteVec file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            if (!file.empty())
                return file;
        }
        return built_archive();
    }();
    return bytes;
}

// Runs pass(archive) once per iteration, counting the archive's bytes; a
// failing pass ends the benchmark with an error.
template <class Pass> void over_archive(benchmark::State& state, const char* failure, Pass pass) {
    const ByteVec& data = archive();
    for (auto _ : state) {
        if (!pass(data)) {
            state.SkipWithError(failure);
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void BM_ReadWindowTable(benchmark::State& state) {
    over_archive(state, "window table not read", [](const ByteVec& data) {
        WindowTable table;
        const bool ok = read_window_table(data.data(), uint32_t(data.size()), table, nullptr);
        benchmark::DoNotOptimize(table.windows.data());
        return ok;
    });
}
BENCHMARK(BM_ReadWindowTable);

void BM_DecodeArchive(benchmark::State& state) {
    over_archive(state, "decode failed", [](const ByteVec& data) {
        ArchiveModel model;
        const bool ok = decode_archive(data.data(), data.size(), model, nullptr);
        benchmark::DoNotOptimize(model.windows.data());
        return ok;
    });
}
BENCHMARK(BM_DecodeArchive);

void BM_Memcpy(benchmark::State& state) {
    ByteVec copy(archive().size());
    over_archive(state, "", [&](const ByteVec& data) {
        std::memcpy(copy.data(), data.data(), data.size());
        benchmark::ClobberMemory();
        return true;
    });
}
BENCHMARK(BM_Memcpy);

} // namespace

BENCHMARK_MAIN();
