// Layout pieces turned into a plain description of a window, with no widgets.
//
// A window is built from pieces passed one after the other to WINDOW_PRINTF.
// A piece ending in "&" continues the window; the piece without it completes
// it.  The arguments of a piece are consumed in the order its codes (and the
// items of its menus) need them.  LayoutParser collects the pieces into a
// WindowDescription; the toolkit side (platform/qt) builds widgets from it.
//
// Syntax of a code: "%", then any of the modifiers "`", "^", "~" and a size
// "N" or "N.M" in any order, then two letters, then optionally "[options]" or
// "@" (text taken from the next argument).  Everything outside codes is
// static text.  Only the codes and modifier sets below exist; any other code,
// modifier, option or argument kind is a programming error and throws
// LayoutError naming the code and the piece at once.
//
// Window codes
//   %ca[text]   caption.            %ca@  caption from a text variable (follows
//                                   refreshes of it) or a literal.
//   %mi[name]   window icon by resource name (the toolkit may have none).
//   %co[check_on_focus_loss]  edit fields that follow take their value (and run
//               their callback) when Enter is pressed or they lose the focus,
//               instead of at every keystroke that leaves a valid value.
//   %`ft@@      a file filter: name and pattern ("*.rtm"), from two text
//               arguments; used by the file dialogs of this window.
//   %mn[...]    menus, see below.
//   %ks[path=keys]  keyboard shortcuts of a menu item given earlier: path is
//               the labels from the menu bar down as written in %mn, joined
//               by "/" ("&File/&Open"); keys are key names such as "Ctrl+O"
//               or "F5", several joined by ";".  The first one is shown
//               beside the item; each runs it like a click.
//   %Nga %N`ga  the next N integer variables form one group of which at most
//               one is 1: toggles bound to them become radio buttons; choosing
//               one sets it to 1 and the others to 0.  Group members may be
//               declared before or after the toggles.
//   %bg[c]      window background: white, grey or btnface (button face).
//   %`bg[c]     background of the next control only.
//   %fn[name]   font family of the items that follow.
//   %ts         text size factor of the items that follow (real argument:
//               a real variable's value or a real or integer value).
//   %bf / %`bf  bold on / off for the items that follow.
//   %sp         window position: x and y in pixels (two numeric arguments),
//               for a window that opens with no other window open.  A dialog
//               opened over a window opens centred on that window.
//   %es         the Escape key closes the window (result 0).  Without it,
//               Escape in a dialog that has a button labelled "Cancel"
//               presses that button.
//   %sc         start-up action, run once when the window shows: a callback
//               (or a joined pair), or the literal "edit_file" and a path (a
//               literal or a text variable): the file is loaded into the
//               window's edit box.
//   %ww[no_border]  the window is an ordinary (not modal) window: it shows
//               and, when no window is running yet, the call returns only
//               when it closes; from inside a callback it returns at once.
//               no_border: the client area carries no inner frame.
//   %cv         the window's control variable (integer): a refresh of it
//               with a value of 0 or more closes the window; when the window
//               closes it is set to 0 if it was below 0.
//   %pv         the next control follows the window's size.
// Flow codes
//   %nl         new line (in the current column: after a box, to its right).
//   %ff         new line at the left margin below everything so far; nothing
//               when already at the start of an empty line there.
//   %ta         next tab stop: items after it line up in a column with the
//               items after the same tab on the other lines.
//   %cn         the current line is centred.
//   %`ap        positioned items: x (characters) and y (lines) from two
//               numeric arguments; the items up to the next %ap or %ff are
//               laid out from there.
//   %ob / %ob[no_border]   opens a box: the items up to %cb are stacked in
//               it, and the lines after %cb continue to its right.
//   %cb         closes the box.
// Controls ("`" read-only or default, "^" with a callback, "~" greyable,
// "N" width in characters)
//   %rd %rf %rs integer / real / text field on an int32, double or text
//               variable; "`" read-only; "~" enabled while the integer
//               variable that follows the field's variable is 1; "^" then a
//               callback (or joined pair) run after each change.  Without N
//               a real field is 10 wide, an integer one 6 and a text field as
//               wide as its variable.  Arguments: variable, [grey flag],
//               [callback].
//   %il / %`il  input limits for the integer fields that follow: two numeric
//               arguments, low and high; "`" switches them off.  A typed
//               value outside them is not taken.
//   %wd         an integer (variable or value) written as static text.
//   %`rb[text]  a toggle on an integer variable (1 on, 0 off), a radio button
//               when the variable is in a group; "^" adds a callback.
//   %N.M^ls     a list N characters wide and M lines high: a text array and
//               an integer selection (1-based, 0 none), "^" then a callback
//               run when the user picks an entry.  Only the entries up to the
//               last non-blank one are shown.
//   %`ls        the same as a drop-down list (no size, no callback).
//   %tt[text]   a button that closes the window with its number (1 for the
//               first button, 2 for the second, ...); "`" the default button
//               (Enter); "^" instead runs a callback and leaves the window
//               open; N its width in characters.
//   %`^gr[opts] graphics region: width and height in pixels, a handle
//               (integer variable, 0 = let the library choose and write it
//               back, or a value) and a mouse callback.  Options:
//               full_mouse_input (moves as well as button events), white.
//   %N.Meb[opts]  edit box N characters wide and M lines high; the library
//               owns its text (arguments: the literal "*" and the value 0).
//               Options: vscrollbar, hscrollbar, read_only.
// Menus: "%mn[list]".  A list is entries separated by ",".  An entry is "|"
// (a separator) or a label with optional prefixes "#" (check item whose mark
// follows an integer flag) and "~" (greyed while an integer flag is not 1),
// and optionally "[list]" (a sub-menu).  "&" in a label marks the access key.
// A top-level entry with an empty label and a sub-menu adds its entries to
// the last menu of the menu bar.  Each leaf takes its arguments in this
// order: the "#" flag, the "~" flag, then its action: a callback (or joined
// pair), "FILE_OPENR" or "FILE_OPENW" with a text variable and a callback
// (file dialog with the window's filters; the chosen path is written into
// the variable and then the callback runs), or "EXIT" (closes the window).
// Choosing a check item does not change its flag: the callback does, and the
// mark shows the flag.
//
// Results and values
//   A dialog returns the number of the button (without "^") that closed it;
//   the window frame, Escape (with %es) and "EXIT" give 0.  Callback results
//   are not used: every callback leaves its window open.  Fields write their
//   variable as described under %co; a text that is no value (or outside the
//   limits) is not taken, the field is marked, and it shows the variable's
//   value again when editing ends.  Before a menu command or a button runs,
//   focus-loss fields being edited take their values.  A read-only text field
//   is at least as wide as its variable.  WINDOW_UPDATE of any part of a
//   variable shows its new value in every open window: field texts, toggle
//   states, check marks, grey states, list entries and selections, captions.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window_library.h"

namespace spindra::layout {

// A layout piece the program should never have passed.
class LayoutError : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

// One bound variable.
struct Var {
  enum class Kind { None, Int, Real, Text, TextArray };
  Kind kind = Kind::None;
  void* ptr = nullptr;
  int width = 0;  // characters of a text, or of each text of an array
  int count = 0;  // texts of an array

  bool bound() const { return ptr != nullptr; }
  int32_t* as_int() const { return static_cast<int32_t*>(ptr); }
  double* as_real() const { return static_cast<double*>(ptr); }
  char* as_text() const { return static_cast<char*>(ptr); }
  // The bytes the variable occupies, so a refresh of any part of it finds it.
  std::size_t size() const;
};

// What a menu item, a start-up action or a region does.
struct Action {
  enum class Kind { None, Call, FileOpenRead, FileOpenWrite, Exit, EditFile };
  Kind kind = Kind::None;
  Callback call = nullptr;
  Callback call2 = nullptr;  // run after `call` for a joined pair
  Var path;                  // text variable of a file action or edit_file
  std::string path_literal;  // edit_file with a literal path
  void run() const {
    if (call) call();
    if (call2) call2();
  }
};

struct MenuItem {
  std::string label;  // with "&" before the access key
  bool separator = false;
  bool check = false;
  bool greyable = false;
  int32_t* check_flag = nullptr;
  int32_t* grey_flag = nullptr;
  Action action;
  std::vector<std::string> keys;   // keyboard shortcuts, the first one shown
  std::vector<MenuItem> children;  // a sub-menu when not empty
};

struct Style {
  std::string font;  // empty: the system font
  double size = 1.0;
  bool bold = false;
};

enum class ItemKind {
  Text,
  NewLine,
  FormFeed,
  Tab,
  Centre,
  Position,
  BoxOpen,
  BoxClose,
  IntField,
  RealField,
  TextField,
  Toggle,
  List,
  DropDown,
  Button,
  Region,
  EditBox,
};

struct Item {
  ItemKind kind = ItemKind::Text;
  std::string text;  // static text, button or toggle label
  Style style;
  std::string background;  // of this control, empty: the window's
  bool follows_size = false;
  // Fields, lists, toggles
  Var value;
  Var selection;  // lists: the integer selection
  int32_t* grey_flag = nullptr;
  Action on_change;
  bool read_only = false;
  bool check_on_focus_loss = false;
  bool limited = false;
  double low = 0.0;
  double high = 0.0;
  int width = 0;   // characters (pixels for a region)
  int height = 0;  // lines (pixels for a region)
  // Buttons
  bool is_default = false;
  int button_number = 0;  // 1-based among the window's closing and callback buttons
  // Positioned items
  double x = 0.0;
  double y = 0.0;
  // Boxes
  bool no_border = false;
  // Regions
  int32_t* handle_var = nullptr;
  int handle_value = 0;
  bool full_mouse_input = false;
  // Edit boxes
  bool vscroll = false;
  bool hscroll = false;
};

struct Filter {
  std::string name;
  std::string pattern;
};

struct WindowDescription {
  std::string caption;
  Var caption_var;
  std::string icon;
  std::string background;  // empty: the toolkit's default
  bool escape_closes = false;
  bool ordinary_window = false;  // %ww
  bool no_border = false;
  bool positioned = false;
  int pos_x = 0;
  int pos_y = 0;
  std::vector<Filter> filters;
  std::vector<std::vector<int32_t*>> groups;
  std::vector<MenuItem> menus;
  std::vector<Action> startup;
  std::vector<int32_t*> controls;
  std::vector<Item> items;
  int buttons = 0;
  std::vector<std::string> pieces;  // as passed, for messages

  // The group an integer variable belongs to, or nullptr.
  const std::vector<int32_t*>* group_of(const int32_t* var) const;
};

// The number of the window's OK button: its first button that just closes
// the window (no callback, no file or exit action); 1 when it has none.
int ok_button_number(const WindowDescription& d);

// Collects the pieces of one window.
class LayoutParser {
 public:
  // Adds one piece.  Returns true when the piece completes the window, which
  // is then available from take().
  bool add(std::string_view piece, std::span<const LayoutArg> args);
  // The description of the window being built (complete or not).
  const WindowDescription& current() const { return desc_; }
  // Hands over the description and starts a new window.
  WindowDescription take();
  bool empty() const { return desc_.pieces.empty(); }

 private:
  class PieceReader;
  WindowDescription desc_;
  Style style_;
  std::string pending_background_;
  bool pending_follows_size_ = false;
  bool check_on_focus_loss_ = false;
  bool limited_ = false;
  double low_ = 0.0;
  double high_ = 0.0;
  friend class PieceReader;
};

// Parses one layout as a whole (all pieces given at once); for tests and
// checks.  Each element is one piece with its arguments.
struct Piece {
  std::string_view text;
  std::vector<LayoutArg> args;
};
WindowDescription parse_window(std::span<const Piece> pieces);

// Reading the text of a number field.  A field takes its text only when the
// whole of it, blanks around it aside, is one number of the field's kind: a
// decimal number with an optional sign, point and exponent ("2500", "-0.25",
// "2.5e3") in a real field, a whole number without a point in an integer
// field, inside the range of the field's variable and inside the field's
// input limits.  Anything else is refused with the reason.
struct FieldReading {
  bool ok = false;
  double value = 0.0;   // the number read (a whole number in an integer field)
  std::string problem;  // why the text is refused, completing a sentence that
                        // begins with the text in quotes ("is not a number")
};
FieldReading read_number_field(const Item& field, std::string_view text);
// The name a message gives a field: the text in front of it in its window
// ("Inertia"); a field after another one on the same line adds the text
// between them ("Speed from ... to"); the k-th of a row of fields under one
// label adds its place ("Firing order, field 3").
std::string field_label(const WindowDescription& d, const Item& field);
// The message that refuses the text of a field: its label, the text typed
// and why it is refused.
std::string refusal_message(const WindowDescription& d, const Item& field, std::string_view text,
                            const FieldReading& reading);

// The shown text of a blank-padded variable: without its trailing blanks.
std::string trimmed_text(const char* chars, int width);
// Writes `text` into a blank-padded variable; false (and nothing written)
// when it does not fit.
bool write_text(char* chars, int width, std::string_view text);

}  // namespace spindra::layout
