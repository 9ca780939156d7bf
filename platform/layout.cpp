#include "platform/layout.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "text/fixed_text.h"

namespace spindra::layout {

std::size_t Var::size() const {
  switch (kind) {
    case Kind::Int:
      return sizeof(int32_t);
    case Kind::Real:
      return sizeof(double);
    case Kind::Text:
      return static_cast<std::size_t>(std::max(width, 1));
    case Kind::TextArray:
      return static_cast<std::size_t>(std::max(width, 1)) *
             static_cast<std::size_t>(std::max(count, 1));
    case Kind::None:
      break;
  }
  return 0;
}

const std::vector<int32_t*>* WindowDescription::group_of(const int32_t* var) const {
  for (const auto& g : groups) {
    if (std::find(g.begin(), g.end(), var) != g.end()) return &g;
  }
  return nullptr;
}

std::string trimmed_text(const char* chars, int width) {
  const std::string_view field(chars, static_cast<std::size_t>(width));
  return std::string(field.substr(0, static_cast<std::size_t>(LENGET(field))));
}

bool write_text(char* chars, int width, std::string_view text) {
  if (static_cast<int>(text.size()) > width) return false;
  copy_padded(chars, static_cast<std::size_t>(width), text);
  return true;
}

namespace {

const char* kind_name(LayoutArg::Kind k) {
  switch (k) {
    case LayoutArg::Kind::IntVar:
      return "an integer variable";
    case LayoutArg::Kind::RealVar:
      return "a real variable";
    case LayoutArg::Kind::TextVar:
      return "a text variable";
    case LayoutArg::Kind::TextArray:
      return "a text array";
    case LayoutArg::Kind::Literal:
      return "a literal text";
    case LayoutArg::Kind::Call:
      return "a callback";
    case LayoutArg::Kind::IntValue:
      return "an integer value";
    case LayoutArg::Kind::RealValue:
      return "a real value";
  }
  return "an argument";
}

std::vector<std::string> split_options(std::string_view s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= s.size()) {
    std::size_t comma = s.find(',', start);
    if (comma == std::string_view::npos) comma = s.size();
    std::string opt(s.substr(start, comma - start));
    if (!opt.empty()) out.push_back(opt);
    start = comma + 1;
  }
  return out;
}

}  // namespace

// Reads one piece, code by code, taking its arguments in order.
class LayoutParser::PieceReader {
 public:
  PieceReader(LayoutParser& p, std::string_view piece, std::span<const LayoutArg> args)
      : p_(p), d_(p.desc_), piece_(piece), args_(args) {}

  bool run() {
    std::string_view body = piece_;
    bool continues = false;
    if (!body.empty() && body.back() == '&') {
      continues = true;
      body.remove_suffix(1);
    }
    text_ = body;
    pos_ = 0;
    std::string pending_text;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c != '%') {
        pending_text += c;
        ++pos_;
        continue;
      }
      if (!pending_text.empty()) {
        add_text(pending_text);
        pending_text.clear();
      }
      read_code();
    }
    if (!pending_text.empty()) add_text(pending_text);
    if (next_arg_ < args_.size()) {
      fail_piece(std::to_string(args_.size() - next_arg_) + " argument(s) left over (" +
                 std::to_string(args_.size()) + " given, " + std::to_string(next_arg_) + " used)");
    }
    return !continues;
  }

 private:
  [[noreturn]] void fail_piece(const std::string& why) const {
    throw LayoutError("layout piece \"" + std::string(piece_) + "\": " + why);
  }
  [[noreturn]] void fail(const std::string& why) const {
    throw LayoutError("layout code %" + code_ + " in piece \"" + std::string(piece_) +
                      "\": " + why);
  }

  // --- arguments ---
  const LayoutArg& next(const char* what) {
    if (next_arg_ >= args_.size()) fail(std::string("missing argument: ") + what);
    return args_[next_arg_++];
  }
  const LayoutArg& next_of(LayoutArg::Kind kind, const char* what) {
    const LayoutArg& a = next(what);
    if (a.kind != kind) {
      fail(std::string("argument ") + std::to_string(next_arg_) + " (" + what + ") is " +
           kind_name(a.kind) + ", expected " + kind_name(kind));
    }
    if (kind != LayoutArg::Kind::Literal && kind != LayoutArg::Kind::IntValue &&
        kind != LayoutArg::Kind::RealValue && kind != LayoutArg::Kind::Call && !a.var) {
      fail(std::string("argument ") + std::to_string(next_arg_) + " (" + what +
           ") is a null variable");
    }
    if (kind == LayoutArg::Kind::Call && !a.call) {
      fail(std::string("argument ") + std::to_string(next_arg_) + " (" + what +
           ") is a null callback");
    }
    return a;
  }
  int32_t* next_int_var(const char* what) {
    return static_cast<int32_t*>(next_of(LayoutArg::Kind::IntVar, what).var);
  }
  double next_number(const char* what) {
    const LayoutArg& a = next(what);
    switch (a.kind) {
      case LayoutArg::Kind::IntValue:
        return static_cast<double>(a.ivalue);
      case LayoutArg::Kind::RealValue:
        return a.rvalue;
      case LayoutArg::Kind::IntVar:
        if (a.var) return *static_cast<const int32_t*>(a.var);
        break;
      case LayoutArg::Kind::RealVar:
        if (a.var) return *static_cast<const double*>(a.var);
        break;
      default:
        break;
    }
    fail(std::string("argument ") + std::to_string(next_arg_) + " (" + what + ") is " +
         kind_name(a.kind) + ", expected a number");
  }
  std::string next_text(const char* what, Var* bound = nullptr) {
    const LayoutArg& a = next(what);
    if (a.kind == LayoutArg::Kind::Literal) return std::string(a.literal);
    if (a.kind == LayoutArg::Kind::TextVar && a.var) {
      if (bound) *bound = Var{Var::Kind::Text, a.var, a.width, 1};
      return trimmed_text(static_cast<const char*>(a.var), a.width);
    }
    fail(std::string("argument ") + std::to_string(next_arg_) + " (" + what + ") is " +
         kind_name(a.kind) + ", expected a text");
  }
  Action next_callback(const char* what) {
    const LayoutArg& a = next_of(LayoutArg::Kind::Call, what);
    Action act;
    act.kind = Action::Kind::Call;
    act.call = a.call;
    act.call2 = a.call2;
    return act;
  }
  Var to_var(const LayoutArg& a) {
    switch (a.kind) {
      case LayoutArg::Kind::IntVar:
        return {Var::Kind::Int, a.var, 0, 1};
      case LayoutArg::Kind::RealVar:
        return {Var::Kind::Real, a.var, 0, 1};
      case LayoutArg::Kind::TextVar:
        return {Var::Kind::Text, a.var, a.width, 1};
      case LayoutArg::Kind::TextArray:
        return {Var::Kind::TextArray, a.var, a.width, a.count};
      default:
        return {};
    }
  }

  // --- code syntax ---
  void read_code() {
    ++pos_;  // '%'
    std::string mods;
    int size1 = -1;
    int size2 = -1;
    const std::size_t start = pos_;
    while (pos_ < text_.size()) {
      const char c = text_[pos_];
      if (c == '`' || c == '^' || c == '~') {
        if (mods.find(c) != std::string::npos) {
          code_ = std::string(text_.substr(start, pos_ - start + 1));
          fail(std::string("modifier ") + c + " given twice");
        }
        mods += c;
        ++pos_;
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        int v = 0;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
          v = v * 10 + (text_[pos_] - '0');
          if (v > 100000) break;
          ++pos_;
        }
        size1 = v;
        if (pos_ < text_.size() && text_[pos_] == '.') {
          ++pos_;
          int w = 0;
          bool any = false;
          while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
            w = w * 10 + (text_[pos_] - '0');
            any = true;
            if (w > 100000) break;
            ++pos_;
          }
          if (!any) {
            code_ = std::string(text_.substr(start, pos_ - start));
            fail("a size \"N.\" needs a second number");
          }
          size2 = w;
        }
      } else {
        break;
      }
    }
    if (pos_ + 2 > text_.size() || !std::isalpha(static_cast<unsigned char>(text_[pos_])) ||
        !std::isalpha(static_cast<unsigned char>(text_[pos_ + 1]))) {
      code_ = std::string(text_.substr(start, std::min<std::size_t>(text_.size() - start, 4)));
      fail("a code needs two letters");
    }
    name_ = std::string(text_.substr(pos_, 2));
    pos_ += 2;
    code_ = std::string(text_.substr(start, pos_ - start));
    std::string options;
    bool has_options = false;
    bool at_text = false;
    if (pos_ < text_.size() && text_[pos_] == '[') {
      has_options = true;
      options = read_bracketed();
    } else if (pos_ < text_.size() && text_[pos_] == '@') {
      at_text = true;
    }
    mods_ = mods;
    size1_ = size1;
    size2_ = size2;
    has_options_ = has_options;
    options_ = options;
    at_text_ = at_text;
    dispatch();
  }

  std::string read_bracketed() {
    // pos_ at '['; returns the text between it and the matching ']'.
    int depth = 0;
    const std::size_t open = pos_;
    for (std::size_t i = pos_; i < text_.size(); ++i) {
      if (text_[i] == '[') ++depth;
      if (text_[i] == ']') {
        --depth;
        if (depth == 0) {
          pos_ = i + 1;
          return std::string(text_.substr(open + 1, i - open - 1));
        }
      }
    }
    fail("\"[\" without its \"]\"");
  }

  void allow(std::string_view mods, bool size, bool two_sizes = false) {
    for (char m : mods_) {
      if (mods.find(m) == std::string_view::npos)
        fail(std::string("modifier ") + m + " not used with this code");
    }
    if (!size && size1_ >= 0) fail("a size is not used with this code");
    if (!two_sizes && size2_ >= 0) fail("a second size is not used with this code");
  }
  bool has(char m) const { return mods_.find(m) != std::string::npos; }
  void require(char m) {
    if (!has(m)) fail(std::string("this code is used only with the modifier ") + m);
  }
  void no_options() {
    if (has_options_) fail("options [" + options_ + "] not used with this code");
    if (at_text_) fail("\"@\" not used with this code");
  }
  std::string bracket_text() {
    if (!has_options_) fail("needs its text in [...]");
    return options_;
  }
  std::vector<std::string> checked_options(std::initializer_list<std::string_view> known) {
    std::vector<std::string> opts = split_options(options_);
    for (const auto& o : opts) {
      if (std::find(known.begin(), known.end(), o) == known.end()) {
        fail("unknown option \"" + o + "\"");
      }
    }
    return opts;
  }
  static bool contains(const std::vector<std::string>& opts, std::string_view o) {
    return std::find(opts.begin(), opts.end(), o) != opts.end();
  }

  // --- items ---
  Item& push(ItemKind kind) {
    Item it;
    it.kind = kind;
    it.style = p_.style_;
    d_.items.push_back(std::move(it));
    return d_.items.back();
  }
  Item& push_control(ItemKind kind) {
    Item& it = push(kind);
    it.background = p_.pending_background_;
    p_.pending_background_.clear();
    it.follows_size = p_.pending_follows_size_;
    p_.pending_follows_size_ = false;
    return it;
  }
  void add_text(const std::string& s) { push(ItemKind::Text).text = s; }

  void dispatch() {
    const std::string& n = name_;
    if (n == "ca") return code_ca();
    if (n == "mi") return code_mi();
    if (n == "co") return code_co();
    if (n == "ft") return code_ft();
    if (n == "mn") return code_mn();
    if (n == "ks") return code_ks();
    if (n == "ga") return code_ga();
    if (n == "bg") return code_bg();
    if (n == "fn") return code_fn();
    if (n == "ts") return code_ts();
    if (n == "bf") return code_bf();
    if (n == "sp") return code_sp();
    if (n == "es") return simple_window_flag(d_.escape_closes);
    if (n == "sc") return code_sc();
    if (n == "ww") return code_ww();
    if (n == "cv") return code_cv();
    if (n == "pv") {
      allow("", false);
      no_options();
      p_.pending_follows_size_ = true;
      return;
    }
    if (n == "nl") return flow(ItemKind::NewLine);
    if (n == "ff") return flow(ItemKind::FormFeed);
    if (n == "ta") return flow(ItemKind::Tab);
    if (n == "cn") return flow(ItemKind::Centre);
    if (n == "ap") return code_ap();
    if (n == "ob") return code_ob();
    if (n == "cb") return flow(ItemKind::BoxClose);
    if (n == "rd") return code_field(ItemKind::IntField);
    if (n == "rf") return code_field(ItemKind::RealField);
    if (n == "rs") return code_field(ItemKind::TextField);
    if (n == "il") return code_il();
    if (n == "wd") return code_wd();
    if (n == "rb") return code_rb();
    if (n == "ls") return code_ls();
    if (n == "tt") return code_tt();
    if (n == "gr") return code_gr();
    if (n == "eb") return code_eb();
    fail("unknown layout code");
  }

  void simple_window_flag(bool& flag) {
    allow("", false);
    no_options();
    flag = true;
  }
  void flow(ItemKind kind) {
    allow("", false);
    no_options();
    push(kind);
  }

  void code_ca() {
    allow("", false);
    if (at_text_) {
      ++pos_;
      d_.caption = next_text("caption", &d_.caption_var);
    } else {
      d_.caption = bracket_text();
      d_.caption_var = {};
    }
  }
  void code_mi() {
    allow("", false);
    d_.icon = bracket_text();
  }
  void code_co() {
    allow("", false);
    auto opts = checked_options({"check_on_focus_loss"});
    if (opts.empty()) fail("needs the option check_on_focus_loss");
    p_.check_on_focus_loss_ = true;
  }
  void code_ft() {
    allow("`", false);
    require('`');
    if (!(at_text_ && pos_ + 1 < text_.size() && text_[pos_ + 1] == '@')) {
      fail("a filter is given as \"@@\": name and pattern from two arguments");
    }
    pos_ += 2;
    Filter f;
    f.name = next_text("filter name");
    f.pattern = next_text("filter pattern");
    if (f.pattern.empty()) fail("empty filter pattern");
    d_.filters.push_back(std::move(f));
  }
  void code_ga() {
    allow("`", true);
    no_options();
    if (size1_ < 2) fail("a group needs its size N of at least 2 (%Nga)");
    std::vector<int32_t*> g;
    for (int i = 0; i < size1_; ++i) {
      int32_t* v = next_int_var("group member");
      if (d_.group_of(v) || std::find(g.begin(), g.end(), v) != g.end()) {
        fail("a variable belongs to two groups");
      }
      g.push_back(v);
    }
    d_.groups.push_back(std::move(g));
  }
  void code_bg() {
    allow("`", false);
    const std::string colour = bracket_text();
    if (colour != "white" && colour != "grey" && colour != "btnface") {
      fail("unknown colour \"" + colour + "\" (white, grey, btnface)");
    }
    if (has('`')) {
      p_.pending_background_ = colour;
    } else {
      d_.background = colour;
    }
  }
  void code_fn() {
    allow("", false);
    p_.style_.font = bracket_text();
    if (p_.style_.font.empty()) fail("empty font name");
  }
  void code_ts() {
    allow("", false);
    no_options();
    const double s = next_number("text size");
    if (!(s > 0.0 && s <= 20.0)) fail("text size " + std::to_string(s) + " out of range");
    p_.style_.size = s;
  }
  void code_bf() {
    allow("`", false);
    no_options();
    p_.style_.bold = !has('`');
  }
  void code_sp() {
    allow("", false);
    no_options();
    d_.pos_x = static_cast<int>(next_number("window x"));
    d_.pos_y = static_cast<int>(next_number("window y"));
    d_.positioned = true;
  }
  void code_sc() {
    allow("", false);
    no_options();
    const LayoutArg& a = next("start-up action");
    if (a.kind == LayoutArg::Kind::Call) {
      --next_arg_;
      d_.startup.push_back(next_callback("start-up callback"));
      return;
    }
    if (a.kind == LayoutArg::Kind::Literal && a.literal == "edit_file") {
      Action act;
      act.kind = Action::Kind::EditFile;
      const LayoutArg& path = next("file to edit");
      if (path.kind == LayoutArg::Kind::Literal) {
        act.path_literal = std::string(path.literal);
      } else if (path.kind == LayoutArg::Kind::TextVar && path.var) {
        act.path = to_var(path);
      } else {
        fail(std::string("the file of edit_file is ") + kind_name(path.kind) + ", expected a text");
      }
      d_.startup.push_back(std::move(act));
      return;
    }
    if (a.kind == LayoutArg::Kind::Literal) {
      fail("unknown standard action \"" + std::string(a.literal) + "\"");
    }
    fail(std::string("a start-up action is a callback or \"edit_file\", not ") + kind_name(a.kind));
  }
  void code_ww() {
    allow("", false);
    if (at_text_) fail("\"@\" not used with this code");
    auto opts = checked_options({"no_border"});
    d_.ordinary_window = true;
    d_.no_border = contains(opts, "no_border");
  }
  void code_cv() {
    allow("", false);
    no_options();
    d_.controls.push_back(next_int_var("control variable"));
  }
  void code_ap() {
    allow("`", false);
    require('`');
    no_options();
    Item& it = push(ItemKind::Position);
    it.x = next_number("x position");
    it.y = next_number("y position");
    if (it.x < 0 || it.y < 0 || it.x > 1000 || it.y > 1000) fail("position out of range");
  }
  void code_ob() {
    allow("", false);
    auto opts = checked_options({"no_border"});
    push(ItemKind::BoxOpen).no_border = contains(opts, "no_border");
  }
  void code_il() {
    allow("`", false);
    no_options();
    if (has('`')) {
      p_.limited_ = false;
      return;
    }
    p_.low_ = next_number("low limit");
    p_.high_ = next_number("high limit");
    if (p_.low_ > p_.high_) fail("low limit above high limit");
    p_.limited_ = true;
  }
  void code_field(ItemKind kind) {
    allow("`^~", true);
    no_options();
    if (has('`') && (has('^') || has('~')))
      fail("a read-only field takes no callback or grey flag");
    Item& it = push_control(kind);
    const LayoutArg::Kind want = kind == ItemKind::IntField    ? LayoutArg::Kind::IntVar
                                 : kind == ItemKind::RealField ? LayoutArg::Kind::RealVar
                                                               : LayoutArg::Kind::TextVar;
    it.value = to_var(next_of(want, "field variable"));
    it.read_only = has('`');
    if (has('~')) it.grey_flag = next_int_var("grey flag");
    if (has('^')) it.on_change = next_callback("field callback");
    it.check_on_focus_loss = p_.check_on_focus_loss_;
    if (kind == ItemKind::IntField && p_.limited_) {
      it.limited = true;
      it.low = p_.low_;
      it.high = p_.high_;
    }
    if (size1_ >= 0) {
      if (size1_ < 1 || size1_ > 200) fail("field width out of range");
      it.width = size1_;
    } else {
      it.width = kind == ItemKind::IntField ? 6 : kind == ItemKind::RealField ? 10 : it.value.width;
    }
  }
  void code_wd() {
    allow("", false);
    no_options();
    add_text(std::to_string(static_cast<long long>(next_number("number"))));
  }
  void code_rb() {
    allow("`^", false);
    require('`');
    Item& it = push_control(ItemKind::Toggle);
    it.text = bracket_text();
    it.value = to_var(next_of(LayoutArg::Kind::IntVar, "toggle variable"));
    if (has('^')) it.on_change = next_callback("toggle callback");
  }
  void code_ls() {
    allow("`^", true, true);
    no_options();
    if (has('`')) {
      if (size1_ >= 0 || has('^')) fail("a drop-down list takes no size and no callback");
    } else if (size1_ < 1 || size2_ < 1) {
      fail("a list needs its width and height (%N.Mls)");
    }
    Item& it = push_control(has('`') ? ItemKind::DropDown : ItemKind::List);
    it.value = to_var(next_of(LayoutArg::Kind::TextArray, "list texts"));
    it.selection = to_var(next_of(LayoutArg::Kind::IntVar, "list selection"));
    if (has('^')) it.on_change = next_callback("list callback");
    it.width = size1_ > 0 ? size1_ : it.value.width;
    it.height = size2_ > 0 ? size2_ : 1;
  }
  void code_tt() {
    allow("`^", true);
    Item& it = push_control(ItemKind::Button);
    it.text = bracket_text();
    if (it.text.empty()) fail("a button needs a label");
    it.is_default = has('`');
    if (it.is_default) {
      for (const Item& other : d_.items) {
        if (&other != &it && other.kind == ItemKind::Button && other.is_default) {
          fail("a window has one default button");
        }
      }
    }
    if (has('^')) it.on_change = next_callback("button callback");
    it.button_number = ++d_.buttons;
    if (size1_ >= 0) {
      if (size1_ < 1 || size1_ > 100) fail("button width out of range");
      it.width = size1_;
    }
  }
  void code_gr() {
    allow("`^", false);
    require('`');
    require('^');
    auto opts = checked_options({"full_mouse_input", "white"});
    Item& it = push_control(ItemKind::Region);
    it.full_mouse_input = contains(opts, "full_mouse_input");
    const double w = next_number("region width");
    const double h = next_number("region height");
    if (w < 1 || h < 1 || w > 32767 || h > 32767) {
      fail("region size " + std::to_string(static_cast<long long>(w)) + " x " +
           std::to_string(static_cast<long long>(h)) + " out of range");
    }
    it.width = static_cast<int>(w);
    it.height = static_cast<int>(h);
    const LayoutArg& handle = next("region handle");
    if (handle.kind == LayoutArg::Kind::IntVar && handle.var) {
      it.handle_var = static_cast<int32_t*>(handle.var);
    } else if (handle.kind == LayoutArg::Kind::IntValue) {
      it.handle_value = static_cast<int>(handle.ivalue);
    } else {
      fail(std::string("the region handle is ") + kind_name(handle.kind) +
           ", expected an integer variable or value");
    }
    it.on_change = next_callback("region mouse callback");
  }
  void code_eb() {
    allow("", true, true);
    if (size1_ < 1 || size2_ < 1) fail("an edit box needs its width and height (%N.Meb)");
    auto opts = checked_options({"vscrollbar", "hscrollbar", "read_only"});
    Item& it = push_control(ItemKind::EditBox);
    it.width = size1_;
    it.height = size2_;
    it.vscroll = contains(opts, "vscrollbar");
    it.hscroll = contains(opts, "hscrollbar");
    it.read_only = contains(opts, "read_only");
    const LayoutArg& buf = next("edit box buffer");
    const LayoutArg& size = next("edit box buffer size");
    if (buf.kind != LayoutArg::Kind::Literal || buf.literal != "*" ||
        size.kind != LayoutArg::Kind::IntValue || size.ivalue != 0) {
      fail("the edit box owns its text: pass \"*\" and 0 as its buffer");
    }
  }

  // --- menus ---
  void code_mn() {
    allow("", false);
    const std::string menu_text = bracket_text();
    std::size_t at = 0;
    std::vector<MenuItem> list = parse_menu_list(menu_text, at, 0);
    if (at != menu_text.size()) fail("unexpected \"" + menu_text.substr(at, 1) + "\" in menu");
    for (MenuItem& m : list) bind_menu(m);
    for (MenuItem& m : list) {
      if (m.label.empty() && !m.separator) {
        if (m.children.empty()) fail("a menu entry needs a label");
        if (d_.menus.empty() || d_.menus.back().children.empty()) {
          fail("\"[[...]]\" adds to the last menu, but there is none");
        }
        for (MenuItem& c : m.children) d_.menus.back().children.push_back(std::move(c));
      } else if (m.separator) {
        fail("a separator on the menu bar");
      } else {
        d_.menus.push_back(std::move(m));
      }
    }
  }
  void code_ks() {
    allow("", false);
    const std::string text = bracket_text();
    // The keys may hold "=" (Ctrl+=); a menu label does not.
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == text.size()) {
      fail("a shortcut is given as [menu/item=keys]");
    }
    std::vector<MenuItem>* list = &d_.menus;
    MenuItem* found = nullptr;
    for (const std::string& label : split_on(text.substr(0, eq), '/')) {
      found = nullptr;
      for (MenuItem& m : *list) {
        if (!m.separator && m.label == label) found = &m;
      }
      if (!found) fail("no menu item \"" + text.substr(0, eq) + "\"");
      list = &found->children;
    }
    if (!found->children.empty()) fail("a shortcut belongs to a menu item, not to a menu");
    found->keys = split_on(text.substr(eq + 1), ';');
  }
  static std::vector<std::string> split_on(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    while (true) {
      const std::size_t at = s.find(sep, from);
      parts.push_back(s.substr(from, at == std::string::npos ? std::string::npos : at - from));
      if (at == std::string::npos) return parts;
      from = at + 1;
    }
  }
  std::vector<MenuItem> parse_menu_list(const std::string& s, std::size_t& at, int depth) {
    if (depth > 8) fail("menus nested too deep");
    std::vector<MenuItem> list;
    while (true) {
      MenuItem m;
      if (at < s.size() && s[at] == '|') {
        m.separator = true;
        ++at;
      } else {
        while (at < s.size() && (s[at] == '#' || s[at] == '~')) {
          bool& flag = s[at] == '#' ? m.check : m.greyable;
          if (flag) fail(std::string("menu prefix ") + s[at] + " given twice");
          flag = true;
          ++at;
        }
        while (at < s.size() && s[at] != ',' && s[at] != '[' && s[at] != ']') {
          if (s[at] == '|' || s[at] == '#' || s[at] == '~') {
            fail(std::string("\"") + s[at] + "\" inside a menu label");
          }
          m.label += s[at++];
        }
        if (at < s.size() && s[at] == '[') {
          ++at;
          m.children = parse_menu_list(s, at, depth + 1);
          if (at >= s.size() || s[at] != ']') fail("menu \"[\" without its \"]\"");
          ++at;
          if (m.children.empty()) fail("empty sub-menu");
          if (m.check || m.greyable) fail("a sub-menu cannot be a check or greyable item");
        }
        if (m.label.empty() && (depth > 0 || m.children.empty()))
          fail("a menu entry needs a label");
      }
      list.push_back(std::move(m));
      if (at < s.size() && s[at] == ',') {
        ++at;
        continue;
      }
      break;
    }
    return list;
  }
  void bind_menu(MenuItem& m) {
    if (m.separator) return;
    if (!m.children.empty()) {
      for (MenuItem& c : m.children) bind_menu(c);
      return;
    }
    if (m.check) m.check_flag = next_int_var("check flag of a menu item");
    if (m.greyable) m.grey_flag = next_int_var("grey flag of a menu item");
    const LayoutArg& a = next("menu action");
    if (a.kind == LayoutArg::Kind::Call) {
      --next_arg_;
      m.action = next_callback("menu callback");
      return;
    }
    if (a.kind != LayoutArg::Kind::Literal) {
      fail("the action of menu item \"" + m.label + "\" is " + kind_name(a.kind) +
           ", expected a callback or a standard action");
    }
    if (a.literal == "EXIT") {
      m.action.kind = Action::Kind::Exit;
    } else if (a.literal == "FILE_OPENR" || a.literal == "FILE_OPENW") {
      m.action.kind =
          a.literal == "FILE_OPENR" ? Action::Kind::FileOpenRead : Action::Kind::FileOpenWrite;
      m.action.path = to_var(next_of(LayoutArg::Kind::TextVar, "file name variable"));
      Action cb = next_callback("callback after the file dialog");
      m.action.call = cb.call;
      m.action.call2 = cb.call2;
    } else {
      fail("unknown standard action \"" + std::string(a.literal) + "\"");
    }
  }

  LayoutParser& p_;
  WindowDescription& d_;
  std::string_view piece_;
  std::span<const LayoutArg> args_;
  std::size_t next_arg_ = 0;
  std::string_view text_;
  std::size_t pos_ = 0;
  std::string code_;
  std::string name_;
  std::string mods_;
  int size1_ = -1;
  int size2_ = -1;
  bool has_options_ = false;
  std::string options_;
  bool at_text_ = false;
};

namespace {

// What can only be checked once the window is complete.
std::string check_window(const WindowDescription& d) {
  bool in_box = false;
  bool edit_box = false;
  for (const Item& it : d.items) {
    if (it.kind == ItemKind::BoxOpen) {
      if (in_box) return "a box (%ob) opened inside a box";
      in_box = true;
    } else if (it.kind == ItemKind::BoxClose) {
      if (!in_box) return "%cb closes no box";
      in_box = false;
    } else if (it.kind == ItemKind::EditBox) {
      edit_box = true;
    } else if (in_box && it.kind != ItemKind::Region) {
      return "a box holds only a graphics region";
    }
  }
  if (in_box) return "a box (%ob) is never closed (%cb)";
  for (const Action& a : d.startup) {
    if (a.kind == Action::Kind::EditFile && !edit_box) {
      return "edit_file at start-up, but the window has no edit box";
    }
  }
  return {};
}

}  // namespace

bool LayoutParser::add(std::string_view piece, std::span<const LayoutArg> args) {
  desc_.pieces.emplace_back(piece);
  bool complete = false;
  try {
    PieceReader reader(*this, piece, args);
    complete = reader.run();
  } catch (...) {
    *this = LayoutParser();  // the next layout starts afresh
    throw;
  }
  if (complete) {
    std::string problem = check_window(desc_);
    if (problem.empty() && !pending_background_.empty()) {
      problem = "%`bg at the end of the window colours no control";
    }
    if (!problem.empty()) {
      *this = LayoutParser();
      throw LayoutError("layout piece \"" + std::string(piece) + "\": " + problem);
    }
  }
  return complete;
}

WindowDescription LayoutParser::take() {
  WindowDescription out = std::move(desc_);
  *this = LayoutParser();
  return out;
}

int ok_button_number(const WindowDescription& d) {
  for (const Item& it : d.items) {
    if (it.kind == ItemKind::Button && it.on_change.kind == Action::Kind::None)
      return it.button_number;
  }
  return 1;
}

WindowDescription parse_window(std::span<const Piece> pieces) {
  LayoutParser parser;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const bool complete = parser.add(pieces[i].text, pieces[i].args);
    if (complete != (i + 1 == pieces.size())) {
      throw LayoutError("layout piece \"" + std::string(pieces[i].text) + "\": " +
                        (complete ? "completes the window before its last piece"
                                  : "the last piece must not end in \"&\""));
    }
  }
  return parser.take();
}

}  // namespace spindra::layout

namespace spindra::layout {

namespace {

std::string_view strip_blanks(std::string_view s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A decimal number: sign, digits with at most one point (at least one digit),
// then optionally "e" or "E", a sign and digits.
bool decimal_syntax(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    if (is_digit(s[i])) {
      ++digits;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t start = i;
    while (i < s.size() && is_digit(s[i])) ++i;
    if (i == start) return false;
  }
  return i == s.size();
}

// A whole number: sign and digits only.
bool whole_syntax(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i) {
    if (!is_digit(s[i])) return false;
  }
  return true;
}

// The number of a text of decimal syntax; false when it is out of the range
// of 64-bit reals (too large, or too near 0 to be held).
bool decimal_value(std::string_view s, double& v) {
  const std::string text(s);
  errno = 0;
  char* end = nullptr;
  v = std::strtod(text.c_str(), &end);
  return errno != ERANGE && std::isfinite(v);
}

std::string number_text(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  return buf;
}

bool is_field(ItemKind k) {
  return k == ItemKind::IntField || k == ItemKind::RealField || k == ItemKind::TextField;
}

}  // namespace

FieldReading read_number_field(const Item& field, std::string_view typed) {
  FieldReading r;
  const std::string_view s = strip_blanks(typed);
  if (s.empty()) {
    r.problem = "is empty";
    return r;
  }
  const bool whole = field.kind == ItemKind::IntField;
  if (!decimal_syntax(s)) {
    // A decimal comma where the program reads a point.
    const std::size_t comma = s.find(',');
    std::string with_point(s);
    if (comma != std::string_view::npos && s.find(',', comma + 1) == std::string_view::npos &&
        s.find('.') == std::string_view::npos) {
      with_point[comma] = '.';
      double v = 0.0;
      if (decimal_syntax(with_point) && decimal_value(with_point, v)) {
        r.problem = whole ? "is not a whole number"
                          : "is not a number: the decimal mark is a point, as in \"" +
                                with_point + "\"";
        return r;
      }
    }
    // An exponent without its letter, as some files write it ("8.0+4").
    const std::size_t sign = s.find_last_of("+-");
    if (!whole && sign != std::string_view::npos && sign > 0 &&
        s.substr(0, sign).find('.') != std::string_view::npos && s[sign - 1] != 'e' &&
        s[sign - 1] != 'E') {
      const std::string with_e = std::string(s.substr(0, sign)) + "e" + std::string(s.substr(sign));
      double v = 0.0;
      if (decimal_syntax(with_e) && decimal_value(with_e, v)) {
        r.problem = "is not a number: an exponent is written with e, as in \"" + with_e + "\"";
        return r;
      }
    }
    r.problem = whole ? "is not a whole number" : "is not a number";
    return r;
  }
  double v = 0.0;
  if (!decimal_value(s, v)) {
    r.problem = "is out of the range of numbers (about 1e-308 to 1e308 in size)";
    return r;
  }
  if (whole) {
    if (!whole_syntax(s)) {
      r.problem = v == std::floor(v) ? "is not a whole number: type it without a point or exponent"
                                     : "is not a whole number";
      return r;
    }
    const double lo = field.limited ? field.low : static_cast<double>(INT32_MIN);
    const double hi = field.limited ? field.high : static_cast<double>(INT32_MAX);
    if (v < lo || v > hi) {
      r.problem = "is outside the range of this field, " + number_text(lo) + " to " +
                  number_text(hi);
      return r;
    }
  }
  r.ok = true;
  r.value = v;
  return r;
}

std::string field_label(const WindowDescription& d, const Item& field) {
  const auto& items = d.items;
  if (items.empty() || &field < &items.front() || &field > &items.back()) return "Field";
  const std::size_t at = static_cast<std::size_t>(&field - items.data());
  const auto input = [](const Item& it) { return is_field(it.kind) && !it.read_only; };
  const auto line_break = [](const Item& it) {
    return it.kind == ItemKind::FormFeed || it.kind == ItemKind::NewLine;
  };
  // Fields that follow this one under the same label make a row.
  bool row = false;
  for (std::size_t j = at + 1; j < items.size() && !line_break(items[j]); ++j) {
    if (items[j].kind == ItemKind::Text && !strip_blanks(items[j].text).empty()) break;
    if (input(items[j])) {
      row = true;
      break;
    }
  }
  int fields_before = 0;
  for (std::size_t j = at; j-- > 0;) {
    const Item& it = items[j];
    if (line_break(it)) break;
    if (input(it)) {
      ++fields_before;
      continue;
    }
    if (it.kind != ItemKind::Text) continue;
    const std::string_view text = strip_blanks(it.text);
    if (text.empty()) continue;
    if (fields_before > 0 || row) {
      return std::string(text) + ", field " + std::to_string(fields_before + 1);
    }
    // Text between two fields of one line ("to") names the second field
    // together with the first one's label.
    if (j > 0 && input(items[j - 1])) {
      return field_label(d, items[j - 1]) + " ... " + std::string(text);
    }
    return std::string(text);
  }
  return "Field";
}

std::string refusal_message(const WindowDescription& d, const Item& field, std::string_view text,
                            const FieldReading& reading) {
  const std::string label = field_label(d, field);
  const char* wanted = field.kind == ItemKind::IntField ? "a whole number" : "a number";
  if (strip_blanks(text).empty()) {
    return label + ": the field is empty; type " + wanted + ".";
  }
  return label + ": \"" + std::string(strip_blanks(text)) + "\" " + reading.problem + ".";
}

}  // namespace spindra::layout
