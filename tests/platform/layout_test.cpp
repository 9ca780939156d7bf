#include "platform/layout.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/platform/program_layouts.h"

namespace spindra {
namespace {

using layout::Action;
using layout::Item;
using layout::ItemKind;
using layout::LayoutError;
using layout::MenuItem;
using layout::parse_window;
using layout::WindowDescription;
using testing::Pieces;
using testing::Vars;

std::vector<const Item*> of_kind(const WindowDescription& d, ItemKind k) {
  std::vector<const Item*> out;
  for (const Item& it : d.items) {
    if (it.kind == k) out.push_back(&it);
  }
  return out;
}

std::string flow(const WindowDescription& d) {
  // A compact trace of the item kinds, for checking line structure.
  std::string s;
  for (const Item& it : d.items) {
    switch (it.kind) {
      case ItemKind::Text:
        s += "T";
        break;
      case ItemKind::NewLine:
        s += "n";
        break;
      case ItemKind::FormFeed:
        s += "f";
        break;
      case ItemKind::Tab:
        s += "t";
        break;
      case ItemKind::Centre:
        s += "c";
        break;
      case ItemKind::Position:
        s += "@";
        break;
      case ItemKind::BoxOpen:
        s += "(";
        break;
      case ItemKind::BoxClose:
        s += ")";
        break;
      case ItemKind::IntField:
        s += "I";
        break;
      case ItemKind::RealField:
        s += "R";
        break;
      case ItemKind::TextField:
        s += "S";
        break;
      case ItemKind::Toggle:
        s += "B";
        break;
      case ItemKind::List:
        s += "L";
        break;
      case ItemKind::DropDown:
        s += "D";
        break;
      case ItemKind::Button:
        s += "K";
        break;
      case ItemKind::Region:
        s += "G";
        break;
      case ItemKind::EditBox:
        s += "E";
        break;
    }
  }
  return s;
}

TEST(LayoutMainWindow, MenusFollowTheirPieces) {
  Vars v;
  const Pieces p = testing::main_window(v);
  const WindowDescription d = parse_window(p);

  ASSERT_EQ(d.menus.size(), 6u);
  EXPECT_EQ(d.menus[0].label, "&File");
  EXPECT_EQ(d.menus[1].label, "&Create");
  EXPECT_EQ(d.menus[2].label, "&Modify");
  EXPECT_EQ(d.menus[3].label, "&Draw");
  EXPECT_EQ(d.menus[4].label, "Ca&lculate");
  EXPECT_EQ(d.menus[5].label, "&About");

  // File: Open; Save; separator; Review (greyable); separator; Exit.
  const auto& file = d.menus[0].children;
  ASSERT_EQ(file.size(), 6u);
  EXPECT_EQ(file[0].label, "&Open Torsional vibration");
  EXPECT_EQ(file[0].action.kind, Action::Kind::FileOpenRead);
  EXPECT_EQ(file[0].action.path.ptr, v.filin.data());
  EXPECT_EQ(file[0].action.path.width, 130);
  EXPECT_EQ(file[0].action.call, &testing::read_file);
  EXPECT_EQ(file[1].action.kind, Action::Kind::FileOpenWrite);
  EXPECT_EQ(file[1].action.call, &testing::save_file);
  EXPECT_TRUE(file[2].separator);
  EXPECT_EQ(file[3].label, "&Review List file");
  EXPECT_TRUE(file[3].greyable);
  EXPECT_FALSE(file[3].check);
  EXPECT_EQ(file[3].grey_flag, &v.ivalid);
  EXPECT_EQ(file[3].action.call, &testing::review);
  EXPECT_TRUE(file[4].separator);
  EXPECT_EQ(file[5].label, "E&xit");
  EXPECT_EQ(file[5].action.kind, Action::Kind::Exit);

  // Create: Node, Stiffness > (Node to node, Node to ground), Engine; all checks.
  const auto& create = d.menus[1].children;
  ASSERT_EQ(create.size(), 3u);
  EXPECT_TRUE(create[0].check);
  EXPECT_EQ(create[0].check_flag, &v.modes[0]);
  EXPECT_EQ(create[0].action.call, &testing::toggle_node);
  EXPECT_EQ(create[1].label, "&Stiffness");
  EXPECT_FALSE(create[1].check);
  ASSERT_EQ(create[1].children.size(), 2u);
  EXPECT_EQ(create[1].children[0].label, "&Node to node");
  EXPECT_EQ(create[1].children[1].label, "Node to &ground");
  EXPECT_EQ(create[1].children[1].check_flag, &v.modes[2]);
  EXPECT_EQ(create[1].children[1].action.call, &testing::toggle_stif_ground);
  EXPECT_EQ(create[2].check_flag, &v.modes[3]);

  // Modify > Stiffness runs two callbacks in order.
  const MenuItem& modify_stif = d.menus[2].children[1];
  EXPECT_EQ(modify_stif.action.call, &testing::mtoggle_stif);
  EXPECT_EQ(modify_stif.action.call2, &testing::draw);
  EXPECT_EQ(d.menus[3].action.call, &testing::draw);
  EXPECT_TRUE(d.menus[3].children.empty());
  ASSERT_EQ(d.menus[4].children.size(), 2u);
  EXPECT_EQ(d.menus[4].children[1].label, "Forced &Damped");
  EXPECT_EQ(d.menus[4].children[1].action.call2, &testing::draw);

  ASSERT_EQ(d.groups.size(), 1u);
  EXPECT_EQ(d.groups[0].size(), 8u);
  EXPECT_EQ(d.groups[0][6], &v.modes[6]);
}

TEST(LayoutMainWindow, WindowSettingsAndControls) {
  Vars v;
  v.font_scaling = 0.8;
  const Pieces p = testing::main_window(v);
  const WindowDescription d = parse_window(p);

  EXPECT_EQ(d.caption, "Harbrook - Kelvo Version 1.0");
  EXPECT_EQ(d.caption_var.ptr, v.banner.data());
  EXPECT_EQ(d.icon, "icon_1");
  EXPECT_EQ(d.background, "btnface");
  EXPECT_TRUE(d.ordinary_window);
  EXPECT_TRUE(d.no_border);
  ASSERT_EQ(d.filters.size(), 1u);
  EXPECT_EQ(d.filters[0].name, "Torsional Vibration files");
  EXPECT_EQ(d.filters[0].pattern, "*.rtm");
  ASSERT_EQ(d.startup.size(), 1u);
  EXPECT_EQ(d.startup[0].call, &testing::draw);
  ASSERT_EQ(d.controls.size(), 1u);
  EXPECT_EQ(d.controls[0], &v.window_control);

  // " ", box with the region, then a column of three lines, then the status line.
  EXPECT_EQ(flow(d), "T(G)TRTnTnTLTfS");

  const Item& region = *of_kind(d, ItemKind::Region).at(0);
  EXPECT_EQ(region.width, 320);
  EXPECT_EQ(region.height, 200);
  EXPECT_EQ(region.handle_var, &v.graph_handle);
  EXPECT_EQ(region.on_change.call, &testing::mouse);
  EXPECT_TRUE(region.full_mouse_input);
  EXPECT_TRUE(of_kind(d, ItemKind::BoxOpen).at(0)->no_border);

  const Item& scale = *of_kind(d, ItemKind::RealField).at(0);
  EXPECT_EQ(scale.value.ptr, &v.scale_mode);
  EXPECT_EQ(scale.width, 6);
  EXPECT_EQ(scale.background, "white");
  EXPECT_TRUE(scale.check_on_focus_loss);
  EXPECT_FALSE(scale.read_only);
  EXPECT_EQ(scale.on_change.call, &testing::draw);
  EXPECT_DOUBLE_EQ(scale.style.size, 0.8);
  EXPECT_EQ(scale.style.font, "Arial");

  const Item& list = *of_kind(d, ItemKind::List).at(0);
  EXPECT_EQ(list.width, 12);
  EXPECT_EQ(list.height, 10);
  EXPECT_EQ(list.value.ptr, v.freqs.data()->data());
  EXPECT_EQ(list.value.count, 100);
  EXPECT_EQ(list.value.width, 12);
  EXPECT_EQ(list.selection.ptr, &v.icurrent_freq);
  EXPECT_EQ(list.on_change.call, &testing::draw);
  EXPECT_EQ(list.background, "white");

  const Item& status = *of_kind(d, ItemKind::TextField).at(0);
  EXPECT_TRUE(status.read_only);
  EXPECT_EQ(status.width, 80);  // as wide as REASON
  EXPECT_EQ(status.value.ptr, v.reason.data());
  EXPECT_TRUE(status.background.empty());
}

// The pieces the display layer adds for a graphics region: the new-line
// request, the box, the region with its five values, for slot 1 and others.
TEST(LayoutRegionPieces, EachSlotsPieces) {
  int32_t w = 640, h = 480, handle1 = 0, handle2 = 5, control1 = -1, control2 = -1;
  const std::vector<layout::Piece> pieces = {
      {"%ff&", {}},
      {"%ob[no_border]&", {}},
      {"%`^gr[full_mouse_input,white]%cb%cv&",
       {bind(w), bind(h), bind(handle1), call(testing::mouse), bind(control1)}},
      {" &", {}},
      {"%ob%`^gr[full_mouse_input]%cb%cv&",
       {value(100), value(50), bind(handle2), call(testing::mouse), bind(control2)}},
      {"%ww", {}},
  };
  const WindowDescription d = parse_window(pieces);
  EXPECT_EQ(flow(d), "f(G)T(G)");
  const auto regions = of_kind(d, ItemKind::Region);
  ASSERT_EQ(regions.size(), 2u);
  EXPECT_EQ(regions[0]->width, 640);
  EXPECT_EQ(regions[0]->height, 480);
  EXPECT_EQ(regions[0]->handle_var, &handle1);
  EXPECT_EQ(regions[1]->width, 100);
  EXPECT_EQ(regions[1]->handle_var, &handle2);
  EXPECT_TRUE(regions[1]->full_mouse_input);
  EXPECT_TRUE(of_kind(d, ItemKind::BoxOpen)[0]->no_border);
  EXPECT_FALSE(of_kind(d, ItemKind::BoxOpen)[1]->no_border);
  EXPECT_EQ(d.controls, (std::vector<int32_t*>{&control1, &control2}));
}

TEST(LayoutAboutBox, CentredLinesAndDefaultButton) {
  const Pieces p = testing::about_box();
  const WindowDescription d = parse_window(p);
  EXPECT_EQ(d.caption, "About Spindra");
  EXPECT_EQ(d.background, "grey");
  EXPECT_TRUE(d.positioned);
  EXPECT_EQ(d.pos_x, 20);
  EXPECT_EQ(d.pos_y, 60);
  EXPECT_TRUE(d.escape_closes);
  EXPECT_FALSE(d.ordinary_window);
  EXPECT_EQ(flow(d), "cTncTncTnncK");
  const Item& title = d.items[1];
  EXPECT_EQ(title.text, "Spindra");
  EXPECT_TRUE(title.style.bold);
  EXPECT_DOUBLE_EQ(title.style.size, 2.0);
  EXPECT_EQ(title.style.font, "Arial");
  EXPECT_EQ(d.items[4].text, "Version 3.0");
  EXPECT_FALSE(d.items[4].style.bold);
  EXPECT_DOUBLE_EQ(d.items[4].style.size, 1.0);
  const Item& ok = d.items.back();
  EXPECT_EQ(ok.text, "&OK");
  EXPECT_TRUE(ok.is_default);
  EXPECT_EQ(ok.width, 7);
  EXPECT_EQ(ok.button_number, 1);
  EXPECT_EQ(d.buttons, 1);
}

TEST(LayoutInertiaDialog, FieldsTabsAndButtons) {
  Vars v;
  for (const char* caption : {"%ca[Create Inertia]%bg[grey]&", "%ca[Modify Inertia]%bg[grey]&"}) {
    const Pieces p = testing::inertia_dialog(v, caption);
    const WindowDescription d = parse_window(p);
    EXPECT_EQ(d.caption, std::string(caption).substr(4, std::string(caption).find(']') - 4));
    EXPECT_EQ(flow(d), "fTtIfTtRTSfTtRTSfTtSfKTKTK");
    const auto ints = of_kind(d, ItemKind::IntField);
    EXPECT_TRUE(ints[0]->read_only);
    EXPECT_EQ(ints[0]->width, 3);
    EXPECT_EQ(ints[0]->value.ptr, &v.nmass);
    const auto reals = of_kind(d, ItemKind::RealField);
    ASSERT_EQ(reals.size(), 2u);
    EXPECT_EQ(reals[0]->value.ptr, &v.amass);
    EXPECT_EQ(reals[0]->width, 14);
    EXPECT_EQ(reals[0]->background, "white");
    EXPECT_FALSE(reals[0]->check_on_focus_loss);
    EXPECT_EQ(reals[1]->value.ptr, &v.dampex);
    const auto texts = of_kind(d, ItemKind::TextField);
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_TRUE(texts[0]->read_only);
    EXPECT_EQ(texts[0]->width, 8);
    EXPECT_TRUE(texts[0]->background.empty());  // only the next control is white
    EXPECT_EQ(texts[1]->value.ptr, v.units(2).data());
    EXPECT_FALSE(texts[2]->read_only);
    EXPECT_EQ(texts[2]->width, 14);
    EXPECT_EQ(texts[2]->value.width, 16);
    const auto buttons = of_kind(d, ItemKind::Button);
    ASSERT_EQ(buttons.size(), 3u);
    EXPECT_TRUE(buttons[0]->is_default);
    EXPECT_EQ(buttons[1]->text, "&Cancel");
    EXPECT_EQ(buttons[1]->button_number, 2);
    EXPECT_FALSE(buttons[1]->is_default);
    EXPECT_EQ(buttons[2]->on_change.call, &testing::inertia_units);
    EXPECT_EQ(buttons[2]->button_number, 3);
  }
}

TEST(LayoutStiffnessDialog, WithAndWithoutTheCharacteristicList) {
  Vars v;
  const Pieces with = testing::stiffness_dialog(v, "%ca[Create Stiffness]%bg[grey]&", true);
  const WindowDescription d = parse_window(with);
  const auto drops = of_kind(d, ItemKind::DropDown);
  ASSERT_EQ(drops.size(), 1u);
  EXPECT_EQ(drops[0]->value.count, 101);
  EXPECT_EQ(drops[0]->value.width, 16);
  EXPECT_EQ(drops[0]->selection.ptr, &v.characteristic);
  EXPECT_EQ(drops[0]->background, "white");
  // The unit text of the stiffness line is as wide as its variable.
  EXPECT_EQ(of_kind(d, ItemKind::TextField)[0]->width, 8);
  EXPECT_EQ(of_kind(d, ItemKind::RealField).size(), 4u);
  EXPECT_EQ(of_kind(d, ItemKind::RealField)[3]->value.ptr, &v.bore);
  const auto fixed = of_kind(d, ItemKind::Text);
  EXPECT_TRUE(std::any_of(fixed.begin(), fixed.end(),
                          [](const Item* t) { return t->text == " N.m.S/rad"; }));

  for (const char* caption :
       {"%ca[Create Stiffness to ground]%bg[grey]&", "%ca[Modify Stiffness]%bg[grey]&"}) {
    const Pieces without = testing::stiffness_dialog(v, caption, false);
    const WindowDescription e = parse_window(without);
    EXPECT_TRUE(of_kind(e, ItemKind::DropDown).empty());
    EXPECT_EQ(of_kind(e, ItemKind::Button).back()->on_change.call, &testing::stiff_units);
  }
}

TEST(LayoutUnitDialogs, TwoTogglesInOneGroup) {
  Vars v;
  for (const Pieces& p : {testing::inertia_units_dialog(v), testing::stiffness_units_dialog(v)}) {
    const WindowDescription d = parse_window(p);
    const auto toggles = of_kind(d, ItemKind::Toggle);
    ASSERT_EQ(toggles.size(), 2u);
    EXPECT_EQ(toggles[0]->value.ptr, &v.i1);
    EXPECT_EQ(toggles[1]->value.ptr, &v.i2);
    EXPECT_EQ(d.group_of(&v.i1), d.group_of(&v.i2));
    ASSERT_NE(d.group_of(&v.i1), nullptr);
    EXPECT_EQ(flow(d), "fBfBfnKTK");
  }
  EXPECT_EQ(parse_window(testing::stiffness_units_dialog(v)).caption, "Select Stiffness Units");
}

TEST(LayoutEngineDialog, LimitsGreyFieldsAndPositions) {
  Vars v;
  const Pieces p = testing::engine_dialog(v);
  const WindowDescription d = parse_window(p);
  EXPECT_EQ(d.caption, "Create Engine");

  const auto ints = of_kind(d, ItemKind::IntField);
  ASSERT_EQ(ints.size(), 2u + 12u);
  EXPECT_FALSE(ints[0]->limited);  // engine number
  const Item& ncyl = *ints[1];
  EXPECT_TRUE(ncyl.limited);
  EXPECT_EQ(ncyl.low, 1);
  EXPECT_EQ(ncyl.high, 12);
  EXPECT_EQ(ncyl.on_change.call, &testing::grey_cyl);
  EXPECT_EQ(ncyl.on_change.call2, &testing::set_firang);
  EXPECT_EQ(ncyl.background, "white");
  for (int j = 0; j < 12; ++j) {
    const Item& f = *ints[2 + j];
    EXPECT_FALSE(f.limited) << "limits are off again after the cylinder count";
    EXPECT_EQ(f.value.ptr, &v.ifirord[j]);
    EXPECT_EQ(f.grey_flag, &v.jgrey[j]);
    EXPECT_EQ(f.width, 5);
    EXPECT_EQ(f.on_change.call, &testing::set_firang);
  }

  const auto toggles = of_kind(d, ItemKind::Toggle);
  ASSERT_EQ(toggles.size(), 3u);
  EXPECT_NE(d.group_of(&v.istrk2), nullptr);
  EXPECT_EQ(d.group_of(&v.ivee), nullptr);  // the vee toggle stands alone
  const Item& vee_angle = *of_kind(d, ItemKind::RealField).at(0);
  EXPECT_EQ(vee_angle.grey_flag, &v.ivee);
  EXPECT_EQ(vee_angle.width, 10);

  const auto positions = of_kind(d, ItemKind::Position);
  ASSERT_EQ(positions.size(), 12u * 4u + 3u);
  EXPECT_DOUBLE_EQ(positions[11]->x, 66.0);
  EXPECT_DOUBLE_EQ(positions[11]->y, 8.0);
  EXPECT_DOUBLE_EQ(positions[12]->y, 9.5);
  EXPECT_DOUBLE_EQ(positions.back()->x, 66.0);
  EXPECT_DOUBLE_EQ(positions.back()->y, 17.0);
  const auto texts = of_kind(d, ItemKind::TextField);
  ASSERT_EQ(texts.size(), 36u);
  EXPECT_EQ(texts[0]->value.ptr, v.cylno(1).data());
  EXPECT_EQ(texts[35]->value.ptr, v.firang2(12).data());
  EXPECT_TRUE(texts[35]->read_only);
  EXPECT_EQ(texts[35]->width, 3);
  EXPECT_EQ(of_kind(d, ItemKind::Button).size(), 2u);
}

TEST(LayoutWarningDialog, BothTexts) {
  Vars v;
  const WindowDescription same = parse_window(testing::warning_same_engine());
  EXPECT_EQ(same.caption, "Warning");
  EXPECT_EQ(flow(same), "TnTfnKK");
  EXPECT_EQ(same.items[2].text, "re-define will re-start cylinder definitions");
  EXPECT_EQ(of_kind(same, ItemKind::Button)[0]->text, "&OK Re-define");

  v.other_engine = 7;
  const WindowDescription other = parse_window(testing::warning_other_engine(v));
  EXPECT_EQ(other.items[0].text, "Mass is already part of engine ");
  EXPECT_EQ(other.items[1].text, "7");
}

TEST(LayoutListViewer, EditBoxLoadedAtStartUp) {
  const WindowDescription d = parse_window(testing::list_viewer("/tmp/x.lis"));
  EXPECT_EQ(d.caption, "Kelvo - List file viewer");
  EXPECT_TRUE(d.escape_closes);
  EXPECT_TRUE(d.ordinary_window);
  ASSERT_EQ(d.menus.size(), 1u);
  EXPECT_EQ(d.menus[0].label, "E&xit");
  EXPECT_EQ(d.menus[0].action.kind, Action::Kind::Exit);
  ASSERT_EQ(d.startup.size(), 1u);
  EXPECT_EQ(d.startup[0].kind, Action::Kind::EditFile);
  EXPECT_EQ(d.startup[0].path_literal, "/tmp/x.lis");
  const Item& box = *of_kind(d, ItemKind::EditBox).at(0);
  EXPECT_EQ(box.width, 126);
  EXPECT_EQ(box.height, 30);
  EXPECT_TRUE(box.vscroll && box.hscroll && box.read_only);
  EXPECT_TRUE(box.follows_size);
  EXPECT_EQ(box.style.font, "Courier New");
  EXPECT_DOUBLE_EQ(box.style.size, 0.9);
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

// A layout the program never passes is reported at once, naming the code and
// the piece; the parser then starts afresh.
TEST(LayoutParser, ShortcutsGoToTheMenuItemOfTheirPath) {
  const Pieces pieces = {{"%mn[&File[&Open,E&xit]]&", {call(testing::draw), literal("EXIT")}},
                          {"%ks[&File/E&xit=Ctrl+Q]&", {}},
                          {"%ks[&File/&Open=Ctrl+O;F3]&", {}},
                          {"%ww", {}}};
  const WindowDescription d = parse_window(pieces);
  ASSERT_EQ(d.menus.size(), 1u);
  EXPECT_EQ(d.menus[0].children[0].keys, (std::vector<std::string>{"Ctrl+O", "F3"}));
  EXPECT_EQ(d.menus[0].children[1].keys, (std::vector<std::string>{"Ctrl+Q"}));
}

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
      {"%mn[&File[&Open]]&", {literal("FILE_OPEN"), bind(t), call(testing::draw)}, "FILE_OPEN"},
      {"%mn[[&Save]]&", {call(testing::draw)}, "no"},
      {"%mn[&File[&Open]&", {call(testing::draw)}, "]"},
      {"%mn[#&Node]&", {call(testing::draw)}, "expected an integer variable"},
      {"%ga&", {bind(i)}, "size N"},
      {"%ks[&File/&Close=Ctrl+W]&", {}, "no menu item"},
      {"%ks[&File=Ctrl+W]&", {}, "no menu item"},
      {"%ks[Ctrl+W]&", {}, "[menu/item=keys]"},
      {"%rb[x]&", {bind(i)}, "modifier `"},
      {"%12ls&", {}, "width and height"},
      {"%`^gr[full_mouse_input]&", {value(10), value(10), bind(r), call(testing::mouse)}, "handle"},
      {"%`^gr[]&", {value(0), value(10), bind(i), call(testing::mouse)}, "out of range"},
      {"%126.30eb[read_only]", {bind(t), value(10)}, "buffer"},
      {"%sc&", {literal("view_file")}, "view_file"},
      {"%`ft@&", {literal("a"), literal("*.x")}, "@@"},
      {"%`rd&", {bind(i), call(testing::draw)}, "left over"},
      {"%`^rd&", {bind(i), call(testing::draw)}, "read-only"},
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
  const LayoutArg region[] = {bind(w), bind(h), bind(handle), call(testing::mouse)};
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
