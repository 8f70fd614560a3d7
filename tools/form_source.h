// Form source: the human-readable text from which the form compiler builds a
// form archive, and which the dump tool prints back from one.
//
// UTF-8 text, one statement per line, '#' starts a comment (outside quotes).
// Indentation is free. Statements:
//
//   handler NAME=OFFSET
//       Declares a symbolic handler offset that `on` lines may use. Offsets
//       given to the compiler on its command line take precedence.
//   window ID [attr_a=N] [attr_b=N] [text_a=TEXT] [text_b=TEXT]
//       Starts a window; the units that follow belong to it.
//   unit ID kind=KIND [name=TEXT] [remark=TEXT] [left=N] [top=N] [width=N]
//        [height=N] [state=FLAGS] [tab=N] [parent=ID] [children=ID,ID,...]
//        [event_source=ID] [tag=TEXT] [mouse_pointer=BYTES]
//        [object_slot=N] [cursor_slot=N] [reserved_a=N,N,N,N] [reserved_b=N]
//        [reserved_c=N,N,N,N,N]
//       Starts a unit, stored in source order; the first is the window's own
//       unit. KIND: window, EditBox, Button, CommonDlg, TransLabel or a number.
//       FLAGS: none, or visible,disabled,tabstop, or a number. Omitted fields
//       are 0 or empty, except mouse_pointer: 4 zero bytes (no cursor).
//   unit ID raw=BYTES
//       A menu item (its id has bits 28-31 = 2, bits 24-27 = 6): body as is.
//   on EVENT handler=OFFSET|NAME
//       Binds event EVENT (signed; 0 is the click) of the current unit; a
//       handler of -1 means none.
//   prop NAME VALUE
//       Sets one property of the unit's kind-specific block (names as in the
//       kinds' property tables, e.g. Caption, BorderStyle, Icon).
//   block empty | block version=N | block BYTES
//       The kind-specific block: empty (every property at its default), a
//       block of that version built from the `prop` lines, or raw bytes.
//       Without a `block` line: version = the kind's highest when there are
//       `prop` lines, else empty.
//
// Values: numbers are decimal or 0x hex, optionally negative; logicals also
// true/false; a choice property also the names of its values (forms/choices.h:
// prop Position Centred, prop InputMode Password). TEXT is "quoted": converted to GBK (an error
// when GBK has no such character), with escapes \" \\ \n \r \t and \xHH for one raw byte. BYTES is
// empty, hex:0011ff, hex:"00 11 ff" or file:"path" (relative to the source
// file). Fonts are empty or a 60-byte LOGFONTA.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "forms/model.h"

namespace vantor::tools {

// Why a form source was rejected: "file:line: error: message".
struct Diagnostic {
    std::string file;
    int line = 0; // 0 when the problem is not tied to one line
    std::string message;

    std::string str() const;
};

// The names a source gives its windows, units and handlers, for the program
// that uses them: `symbol=NAME` on a window or unit line, and the `handler`
// statements (with the command line's offsets where it gives them).
struct FormSymbols {
    std::vector<std::pair<std::string, uint32_t>> ids; // in source order
    std::map<std::string, int32_t> handlers;
};

// A C++ header of `symbols` in namespace `name_space`: `kNAME` for each id,
// `kNAMEHandler` (NAME in camel case) for each handler offset, and a macro
// VANTOR_HANDLER_<NAME> of each offset for assembly text.
std::string symbols_header(const FormSymbols& symbols, const std::string& source_name,
                           const std::string& name_space);

struct CompileOptions {
    // Handler names given on the command line; they take precedence over the
    // `handler` statements of the source.
    std::map<std::string, int32_t> handlers;
    // Reads the files named by file:"..." (path already made absolute); null:
    // read_file below. A fuzzer supplies one that never touches the disk.
    std::function<bool(const std::string& path, std::string& out, std::string& error)> read;
    // Where the source's names are collected, when given.
    FormSymbols* symbols = nullptr;
};

// Parses form source text. `path` names the source in diagnostics and anchors
// relative file names. Returns false and fills `diag` on the first error.
bool parse_form_source(std::string_view text, const std::string& path,
                       const CompileOptions& options, forms::ArchiveModel& out, Diagnostic& diag);

// Reads a whole file. False with the reason in `error` (a missing file, a
// directory, a read error).
bool read_file(const std::string& path, std::string& out, std::string& error);

// Reads the file at `path` and parses it as above.
bool load_form_source(const std::string& path, const CompileOptions& options,
                      forms::ArchiveModel& out, Diagnostic& diag);

struct DumpOptions {
    // Buffers longer than this are written to files in `extract_dir`, or, when
    // it is empty, summarised as `omitted:LENGTH` (which does not compile back).
    size_t inline_limit = 256;
    std::string extract_dir;
    // Directory the printed source will be read from: extracted file names are
    // written relative to it. Empty: absolute names.
    std::string source_dir;
    // Print every property of a block, not only those that differ from the
    // kind's defaults.
    bool all_properties = false;
};

// Prints `model` as form source; compiling the result gives the same archive
// unless buffers were omitted. Returns false with `error` set only when an
// extracted file cannot be written.
bool dump_form_source(const forms::ArchiveModel& model, const DumpOptions& options,
                      std::string& out, std::string* error);

} // namespace vantor::tools
