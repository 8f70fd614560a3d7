// The numbers the runtime, the form engine, the control kinds and the library
// commands exchange: request codes of the runtime request entry, the notify codes
// the runtime sends its libraries, event numbers, the private messages the form
// engine sends its units and property type codes. Every other file names them
// from here. Portable: no platform headers.
#pragma once

#include <cstdint>

namespace vantor {

// Runtime request entry (code, first, second) -> 32-bit result.
namespace request {
inline constexpr int32_t AddIdleRoutine = 1012;    // first: idle record; result: 0, added or not
inline constexpr int32_t RemoveIdleRoutine = 1013; // first: the window whose idle routine goes
inline constexpr int32_t UnitDestroyed = 2000;     // window id, unit id (0: the window itself)
inline constexpr int32_t ValueToInt = 2001;        // first: TypedValue*; result: the integer
inline constexpr int32_t ProgramDirectory = 2003;  // result: the kernel's text, not a copy
inline constexpr int32_t ProgramFile = 2004;       // result: the kernel's text, not a copy
inline constexpr int32_t LoadWindow = 2005;        // window id, LoadRequest* or 0; result: loaded
inline constexpr int32_t FindUnitObject = 2006;    // window id, unit id; result: object or 0
// As FindUnitObject, but nothing found is the runtime error of a unit method.
inline constexpr int32_t RequireUnitObject = 2007;
inline constexpr int32_t RaiseEvent = 2008;      // first: EventRecord*; result: handler called
inline constexpr int32_t BlockEvents = 2009;     // pending messages first, then the lock count
inline constexpr int32_t UnblockEvents = 2010;   // pending messages first, then the lock count
inline constexpr int32_t ProcessMessages = 2018; // all pending messages but WM_QUIT
inline constexpr int32_t FreeArray = 2023;       // array type code, array block
// Size; second 0: failure is a runtime error, non-zero: failure returns null.
inline constexpr int32_t Allocate = 2024;
inline constexpr int32_t Free = 2025;            // block
inline constexpr int32_t Resize = 2026;          // block, new size; result: the block
inline constexpr int32_t RaiseError = 2027;      // message text; does not return
inline constexpr int32_t EndProgram = 2028;      // exit code; does not return
inline constexpr int32_t ProgramKind = 2030;     // result: the descriptor's program kind
inline constexpr int32_t RaiseTypedEvent = 2031; // first: TypedEventRecord*; as RaiseEvent
inline constexpr int32_t WindowCount = 2032;     // result: windows in the window table
} // namespace request

// Codes the runtime sends to each support library's notify entry.
namespace notify {
inline constexpr int32_t Start = 1; // first: the runtime request entry
inline constexpr int32_t End = 6;   // first: the library's slot; the request entry is gone
} // namespace notify

// Event numbers. The kinds' own events are 0 and up; the common ones negative.
namespace event {
inline constexpr int32_t GotFocus = -7;
inline constexpr int32_t LostFocus = -8;
inline constexpr int32_t Click = 0;       // Button
inline constexpr int32_t Changed = 0;     // EditBox: the content changed
inline constexpr int32_t SpinPressed = 1; // EditBox in manual spin mode: +1 up, -1 down
} // namespace event

// Events of the window kind.
namespace window_event {
inline constexpr int32_t Loaded = 0;      // raised by the form engine after a load
inline constexpr int32_t CloseAsked = 1;  // after BeforeClose; false keeps the window open
inline constexpr int32_t Destroying = 2;  // WM_DESTROY
inline constexpr int32_t Moved = 3;       // WM_MOVE, and once after a load
inline constexpr int32_t Resized = 4;     // WM_SIZE, and once after a load
inline constexpr int32_t Activated = 5;   // after FirstActivated when that one is due
inline constexpr int32_t Deactivated = 6; // WM_ACTIVATE with state 0
inline constexpr int32_t Idle = 7;        // one argument: milliseconds since idle began
inline constexpr int32_t FirstActivated = 8;
inline constexpr int32_t TrayIcon = 9;     // one argument: the mouse action
inline constexpr int32_t Shown = 10;       // WM_SHOWWINDOW with show true
inline constexpr int32_t Hidden = 11;      // WM_SHOWWINDOW with show false
inline constexpr int32_t BeforeClose = 12; // WM_CLOSE, before CloseAsked
} // namespace window_event

// Private messages the form engine sends to the windows of its units.
namespace unit_message {
inline constexpr uint32_t WindowReady = 0x8004;  // 32772: to the window after its units
inline constexpr uint32_t UnitsCreated = 0x806F; // 32879: to every unit, last to first
inline constexpr uint32_t UnitsShown = 0x8076;   // 32886: to every unit, last to first
} // namespace unit_message

// Property type codes of the kinds' property tables (16 bits each). Codes that no
// kind of this program uses are named by their value class and last two digits.
namespace prop_type {
inline constexpr uint16_t Integer00 = 1000; // a 32-bit integer
inline constexpr uint16_t Integer = 1001;
inline constexpr uint16_t Eight02 = 1002; // an 8-byte value in both words
inline constexpr uint16_t Logical = 1003; // 1 true, 0 false
inline constexpr uint16_t Eight04 = 1004;
inline constexpr uint16_t Text = 1005;   // a zero-terminated text
inline constexpr uint16_t Choice = 1006; // an integer of a fixed range; negative writes are 0
inline constexpr uint16_t Text07 = 1007;
inline constexpr uint16_t Text08 = 1008;
inline constexpr uint16_t Picture = 1009; // byte data
inline constexpr uint16_t Icon = 1010;
inline constexpr uint16_t MousePointer = 1011; // byte data, cursor numbers outside
inline constexpr uint16_t Sound = 1012;
inline constexpr uint16_t Font = 1013;  // a LOGFONTA, read and written by member
inline constexpr uint16_t Color = 1014; // a COLORREF
inline constexpr uint16_t Integer15 = 1015;
inline constexpr uint16_t FileName = 1016;  // a text
inline constexpr uint16_t BackColor = 1017; // a COLORREF, or kButtonFaceColor
inline constexpr uint16_t DataSource = 1018;
inline constexpr uint16_t Text19 = 1019;
inline constexpr uint16_t DataColumn = 1020;
inline constexpr uint16_t Text21 = 1021;
inline constexpr uint16_t Text22 = 1022;
inline constexpr uint16_t Data23 = 1023; // byte data
inline constexpr uint16_t Data24 = 1024;
} // namespace prop_type

// The background-colour value that stands for the system button-face colour.
inline constexpr uint32_t kButtonFaceColor = 0xFF000000;

} // namespace vantor
