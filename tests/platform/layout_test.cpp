#include "platform/layout.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/platform/program_windows.h"

namespace spindra {
namespace {

using layout::Action;
using layout::Item;
using layout::ItemKind;
using layout::LayoutError;
using layout::MenuItem;
using layout::parse_window;
using layout::WindowDescription;

int stand_in() {
  return 1;
}

// Every window the program builds parses; each dialog closes by numbered
// buttons, and every control, check mark and grey state is bound to a
// variable.
TEST(LayoutProgramWindows, EveryWindowOfTheProgramParsesAndIsBound) {
  const std::vector<testing::RecordedWindow> windows = testing::record_program_windows();
  std::vector<std::string> captions;
  for (const auto& w : windows) {
    const WindowDescription d = parse_window(w.pieces());
    captions.push_back(d.caption_var.bound() ? "(main)" : d.caption);
    int buttons = 0;
    for (const Item& it : d.items) {
      if (it.kind == ItemKind::Button) {
        EXPECT_EQ(it.button_number, ++buttons) << d.caption;
      }
      const bool control = it.kind >= ItemKind::IntField && it.kind <= ItemKind::DropDown;
      if (control) {
        EXPECT_TRUE(it.value.bound()) << d.caption;
      }
    }
    if (!d.ordinary_window) {
      EXPECT_GE(buttons, 1) << d.caption;
    }
    std::vector<const MenuItem*> menus;
    for (const MenuItem& m : d.menus) menus.push_back(&m);
    while (!menus.empty()) {
      const MenuItem* m = menus.back();
      menus.pop_back();
      for (const MenuItem& c : m->children) menus.push_back(&c);
      EXPECT_EQ(m->check, m->check_flag != nullptr) << m->label;
      EXPECT_EQ(m->greyable, m->grey_flag != nullptr) << m->label;
    }
  }
  EXPECT_EQ(captions,
            (std::vector<std::string>{
                "(main)", "About Spindra", "Select Inertia Units", "Select Stiffness Units",
                "Create Inertia", "Create Engine", "Modify Inertia", "Create Stiffness",
                "Create Stiffness to ground", "Modify Stiffness", "Warning", "Warning"}));
}

TEST(LayoutParser, PiecesWithAmpersandContinueTheWindow) {
  layout::LayoutParser parser;
  const LayoutArg none[1] = {};
  EXPECT_FALSE(parser.add("%ca[A]&", std::span<const LayoutArg>(none, 0)));
  EXPECT_FALSE(parser.empty());
  EXPECT_TRUE(parser.add("Hello", std::span<const LayoutArg>(none, 0)));
  WindowDescription d = parser.take();
  EXPECT_EQ(d.caption, "A");
  EXPECT_EQ(d.pieces.size(), 2u);
  EXPECT_TRUE(parser.empty());
}

// Shortcuts go to the menu item their path names.
TEST(LayoutParser, ShortcutsGoToTheMenuItemOfTheirPath) {
  const std::vector<layout::Piece> pieces = {
      {"%mn[&File[&Open,E&xit]]&", {call(stand_in), literal("EXIT")}},
      {"%ks[&File/E&xit=Ctrl+Q]&", {}},
      {"%ks[&File/&Open=Ctrl+O;F3]&", {}},
      {"%ww", {}}};
  const WindowDescription d = parse_window(pieces);
  ASSERT_EQ(d.menus.size(), 1u);
  EXPECT_EQ(d.menus[0].children[0].keys, (std::vector<std::string>{"Ctrl+O", "F3"}));
  EXPECT_EQ(d.menus[0].children[1].keys, (std::vector<std::string>{"Ctrl+Q"}));
}

// The OK of a window is its first button that closes it: after buttons that
// run callbacks (Add row, Import...) it is not button 1, and the headless
// library runs the OK check for it all the same.
TEST(LayoutParser, OkIsTheFirstClosingButton) {
  const std::vector<layout::Piece> pieces = {
      {"%ca[Rows]&", {}},
      {"%^tt[&Add row] %^tt[&Import...]&", {call(stand_in), call(stand_in)}},
      {"%`tt[&OK]%tt[&Cancel]", {}}};
  EXPECT_EQ(layout::ok_button_number(parse_window(pieces)), 3);
  NullWindowLibrary lib;
  static int checks = 0;
  lib.next_dialog_result = 3;
  lib.set_ok_check([] {
    ++checks;
    return 0;
  });
  for (const layout::Piece& p : pieces) lib.window_printf(p.text, p.args);
  EXPECT_EQ(checks, 1);
  EXPECT_EQ(lib.ok_refusals, 1);
}

// A layout the program never passes is reported at once, naming the code and
// the piece; the parser then starts afresh.
TEST(LayoutParser, MistakesAreReportedNotIgnored) {
  int32_t i = 0;
  double r = 0;
  FixedText<10> t;
  struct Case {
    std::string_view piece;
    std::vector<LayoutArg> args;
    std::string expect;
  };
  const std::vector<Case> cases = {
      {"%zz&", {}, "%zz"},
      {"%`nl&", {}, "modifier `"},
      {"%rd&", {bind(r)}, "expected an integer variable"},
      {"%rf&", {}, "missing argument"},
      {"%rf&", {bind(r), bind(i)}, "left over"},
      {"%bg[purple]&", {}, "purple"},
      {"%ww[round]", {}, "round"},
      {"%mn[&File[&Open]]&", {literal("FILE_OPEN"), bind(t), call(stand_in)}, "FILE_OPEN"},
      {"%mn[[&Save]]&", {call(stand_in)}, "no"},
      {"%mn[&File[&Open]&", {call(stand_in)}, "]"},
      {"%mn[#&Node]&", {call(stand_in)}, "expected an integer variable"},
      {"%ga&", {bind(i)}, "size N"},
      {"%ks[&File/&Close=Ctrl+W]&", {}, "no menu item"},
      {"%ks[&File=Ctrl+W]&", {}, "no menu item"},
      {"%ks[Ctrl+W]&", {}, "[menu/item=keys]"},
      {"%rb[x]&", {bind(i)}, "modifier `"},
      {"%12ls&", {}, "width and height"},
      {"%`^gr[full_mouse_input]&", {value(10), value(10), bind(r), call(stand_in)}, "handle"},
      {"%`^gr[]&", {value(0), value(10), bind(i), call(stand_in)}, "out of range"},
      {"%126.30eb[read_only]", {bind(t), value(10)}, "buffer"},
      {"%sc&", {literal("view_file")}, "view_file"},
      {"%`ft@&", {literal("a"), literal("*.x")}, "@@"},
      {"%`rd&", {bind(i), call(stand_in)}, "left over"},
      {"%`^rd&", {bind(i), call(stand_in)}, "read-only"},
      {"%`tt[A]%`tt[B]", {}, "one default button"},
      {"%`bg[white]", {}, "colours no control"},
      {"%", {}, "two letters"},
      {"%il&", {value(12), value(1)}, "low limit"},
      {"%ts&", {literal("big")}, "number"},
  };
  for (const Case& c : cases) {
    layout::LayoutParser parser;
    try {
      parser.add(c.piece, c.args);
      ADD_FAILURE() << "accepted: " << c.piece;
    } catch (const LayoutError& e) {
      const std::string msg = e.what();
      EXPECT_NE(msg.find(c.expect), std::string::npos) << msg;
      EXPECT_NE(msg.find(std::string(c.piece)), std::string::npos) << msg;
    }
    EXPECT_TRUE(parser.empty()) << c.piece;
  }
}

TEST(LayoutParser, StructureIsCheckedWhenTheWindowIsComplete) {
  int32_t w = 10, h = 10, handle = 0, control = -1;
  const LayoutArg region[] = {bind(w), bind(h), bind(handle), call(stand_in)};
  std::vector<std::pair<std::vector<layout::Piece>, std::string>> cases = {
      {{{"%ob&", {}}, {"%ob%cb", {}}}, "inside a box"},
      {{{"%cb", {}}}, "closes no box"},
      {{{"%ob&", {}}, {"%`^gr[white]", {region[0], region[1], region[2], region[3]}}},
       "never closed"},
      {{{"%ob&", {}}, {"Text%cb", {}}}, "only a graphics region"},
      {{{"%sc&", {literal("edit_file"), literal("a.lis")}}, {"%ww", {}}}, "no edit box"},
  };
  for (const auto& [pieces, expect] : cases) {
    try {
      parse_window(pieces);
      ADD_FAILURE() << "accepted: " << expect;
    } catch (const LayoutError& e) {
      EXPECT_NE(std::string(e.what()).find(expect), std::string::npos) << e.what();
    }
  }
  (void)control;
}

TEST(LayoutParser, LastPieceMustCompleteTheWindow) {
  std::vector<layout::Piece> p = {{"%ca[A]&", {}}};
  EXPECT_THROW(parse_window(p), LayoutError);
  p = {{"%ca[A]", {}}, {"B", {}}};
  EXPECT_THROW(parse_window(p), LayoutError);
}

TEST(LayoutText, TrimAndWriteBlankPaddedTexts) {
  char buf[6] = {'a', 'b', ' ', ' ', ' ', ' '};
  EXPECT_EQ(layout::trimmed_text(buf, 6), "ab");
  EXPECT_TRUE(layout::write_text(buf, 6, "xyz"));
  EXPECT_EQ(std::string(buf, 6), "xyz   ");
  EXPECT_FALSE(layout::write_text(buf, 6, "1234567"));
  EXPECT_EQ(std::string(buf, 6), "xyz   ");  // untouched when it does not fit
}

}  // namespace
}  // namespace spindra

namespace spindra {
namespace {

using layout::field_label;
using layout::parse_window;

// Every number field of the program is named by its label in messages, and
// texts are read as whole numbers of the field's kind.
TEST(LayoutFields, LabelsAndReadingOfNumberFields) {
  std::vector<std::string> labels;
  for (const auto& w : testing::record_program_windows()) {
    const layout::WindowDescription d = parse_window(w.pieces());
    for (const layout::Item& it : d.items) {
      if (it.read_only || (it.kind != ItemKind::IntField && it.kind != ItemKind::RealField))
        continue;
      labels.push_back(field_label(d, it));
      EXPECT_NE(labels.back(), "Field") << d.caption;
    }
  }
  for (const char* l : {"Mode Scale", "Inertia", "External damping", "Number of cyls",
                        "Vee angle", "Firing order, field 1", "Firing order, field 12",
                        "Stiffness", "Shaft bore"}) {
    EXPECT_NE(std::find(labels.begin(), labels.end(), l), labels.end()) << l;
  }
  double from = 0.0, to = 0.0;
  const layout::Piece pieces[] = {
      {"%ca[Ranges]&", {}},
      {"%ff  Speed from %`bg[white]%^8rf to %`bg[white]%^8rf rev/min&",
       {bind(from), call(stand_in), bind(to), call(stand_in)}},
      {"%ff%`tt[&OK]", {}}};
  const layout::WindowDescription d = parse_window(pieces);
  std::vector<std::string> ranges;
  for (const layout::Item& it : d.items) {
    if (it.kind == ItemKind::RealField) ranges.push_back(field_label(d, it));
  }
  EXPECT_EQ(ranges, (std::vector<std::string>{"Speed from", "Speed from ... to"}));

  // What fields take: a whole decimal number of their kind, blanks around.
  Item real, whole, limited;
  real.kind = ItemKind::RealField;
  whole.kind = limited.kind = ItemKind::IntField;
  limited.limited = true;
  limited.low = 1;
  limited.high = 12;
  struct Reading {
    const Item* field;
    const char* text;
    bool ok;
    double value;
  };
  const Reading readings[] = {
      {&real, " 2.50e3 ", true, 2500.0}, {&real, "-.5", true, -0.5},  {&real, "+7.", true, 7.0},
      {&real, "12x", false, 0},          {&real, "1,5", false, 0},    {&real, "", false, 0},
      {&real, "0x10", false, 0},         {&real, "inf", false, 0},    {&real, "1e400", false, 0},
      {&real, "8.0+4", false, 0},        {&whole, "-12", true, -12},  {&whole, "1.5", false, 0},
      {&whole, "3.0", false, 0},         {&whole, "1e3", false, 0},   {&limited, "12", true, 12},
      {&limited, "13", false, 0},        {&limited, "0", false, 0},
      {&whole, "2147483648", false, 0},
  };
  for (const Reading& r : readings) {
    const layout::FieldReading got = layout::read_number_field(*r.field, r.text);
    EXPECT_EQ(got.ok, r.ok) << r.text;
    if (r.ok) {
      EXPECT_EQ(got.value, r.value) << r.text;
    }
    if (!r.ok) {
      EXPECT_FALSE(got.problem.empty()) << r.text;
    }
  }
  EXPECT_EQ(layout::read_number_field(real, "8.0+4").problem,
            "is not a number: an exponent is written with e, as in \"8.0e+4\"");
}

}  // namespace
}  // namespace spindra
