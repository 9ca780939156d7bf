#include "app/model/model_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/model/store.h"

namespace spindra {

void DEFAULT_EXTENSION(char* file, int width, std::string_view ext, int mode) {
  const std::string_view text(file, static_cast<std::size_t>(width));
  const int n = LENGET(text);
  // The dot is searched for in the last path component only: after a "]"
  // closing a directory part, and after the last "/" or "\".  The first
  // character of a name is never taken for the dot.
  int bracket = 0;
  int separator = 0;
  for (int i = 1; i <= n; ++i) {
    const char c = file[i - 1];
    if (c == ']' && bracket == 0) bracket = i;
    if (c == '/' || c == '\\') separator = i;
  }
  const int start = std::max(std::max(bracket, 1) + 1, separator + 2);
  int dot = 0;
  for (int i = start; i <= n; ++i) {
    if (file[i - 1] == '.') {
      dot = i;
      break;
    }
  }
  if (mode == 1 && dot != 0) return;
  const int from = dot != 0 ? dot : n + 1;
  std::string tail = ".";
  tail += ext;
  for (int i = from; i <= width; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - from);
    file[i - 1] = k < tail.size() ? tail[k] : ' ';
  }
}

namespace {

// The model as read from a file, before it replaces the one in memory.
struct ScratchModel {
  Title80 title;
  int32_t nmass = 0, nstif = 0, neng = 0;
  double conv_i = 1.0, conv_s = 1.0;
  double ordmin = 1.0, ordmax = 6.0, ordstep = 1.0;
  Table<NODE, 1, kMaxNodes> masses;
  Table<STIFFNESS, 1, kMaxStiffnesses> stiff;
  Table<ENGINE, 1, kMaxEngines> engs;
  ForcedSweep sweep;
  Table<TransientCase, 1, kMaxTransientCases> trans_cases;
  int32_t ntrans = 0;
  std::vector<TablePoint> points;
  Table<LoadCase, 1, kMaxCases> cases;
  int32_t ncases = 0;
  // The line of each stiffness's LIMITS record (0 = none), for the check
  // against the FORCED section's shaft limits.
  Table<int32_t, 1, kMaxStiffnesses> limit_line;
};

struct ReadFailure {
  std::string message;
};

struct EndOfFile {};

// Free-format record reader.  Values are separated by blanks, commas or line
// ends; a record may run over several lines; each record starts on a new line
// and whatever is left on the last line it used is skipped.
class RecordReader {
 public:
  RecordReader(std::string_view text, std::string_view file_name) : file_(file_name) {
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(pos, end - pos);
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      lines_.push_back(line);
      pos = end + 1;
    }
  }

  // Record 1: the raw text of the next line.
  std::string_view next_line(const std::string& what) {
    field_ = what;
    if (line_ >= lines_.size()) throw EndOfFile{};
    col_ = 0;
    return lines_[line_++];
  }

  void begin_record() {
    // The previous record's line is finished; the next value starts a line.
    if (in_record_) {
      ++line_;
      col_ = 0;
    }
    in_record_ = false;
  }

  int32_t read_int(const std::string& what) {
    field_ = what;
    const std::string_view tok = next_token(what);
    std::string_view digits = tok;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    if (!digits.empty() && digits.front() == '-' && tok.front() == '+')
      fail(what, "'" + std::string(tok) + "' is not a whole number");
    int64_t value = 0;
    auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec == std::errc::result_out_of_range ||
        (ec == std::errc() && ptr == digits.data() + digits.size() &&
         (value > INT32_MAX || value < INT32_MIN))) {
      fail(what, "'" + std::string(tok) + "' is too large for a whole number");
    }
    if (ec != std::errc() || ptr != digits.data() + digits.size() || digits.empty())
      fail(what, "'" + std::string(tok) + "' is not a whole number");
    return static_cast<int32_t>(value);
  }

  double read_real(const std::string& what) {
    field_ = what;
    const std::string_view tok = next_token(what);
    std::string text(tok);
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    // A second sign after the first (+-5) is no number.
    if (!text.empty() && text.front() == '-' && tok.front() == '+')
      fail(what, "'" + std::string(tok) + "' is not a number");
    // Exponents may be written with D as well as E.
    std::replace_if(text.begin(), text.end(), [](char c) { return c == 'd' || c == 'D'; }, 'e');
    insert_exponent_letter(text);
    double value = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool all = ptr == text.data() + text.size();
    const bool word = !text.empty() && (std::isalpha(static_cast<unsigned char>(text[0])) != 0);
    if (ec == std::errc::result_out_of_range)
      fail(what, "'" + std::string(tok) + "' is out of range for a number");
    if (ec != std::errc() || !all || text.empty() || word)
      fail(what, "'" + std::string(tok) + "' is not a number");
    if (!std::isfinite(value)) fail(what, "'" + std::string(tok) + "' is not a finite number");
    return value;
  }

  void read_name(Name16& name, const std::string& what) {
    field_ = what;
    skip_separators(what);
    const std::string_view line = lines_[line_];
    std::string value;
    if (line[col_] == '\'') {
      std::size_t i = col_ + 1;
      for (;;) {
        if (i >= line.size()) fail(what, "the name has no closing apostrophe");
        if (line[i] == '\'') {
          if (i + 1 < line.size() && line[i + 1] == '\'') {
            value += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += line[i++];
      }
      col_ = i;
    } else {
      // An unquoted name runs to the next separator.
      std::size_t i = col_;
      while (i < line.size() && !is_separator(line[i])) value += line[i++];
      col_ = i;
    }
    after_value();
    name = value;
  }

  // After the last record: true, with the line taken, when the next line
  // that is not blank holds `word` alone; otherwise nothing is taken.
  bool take_word_line(std::string_view word) {
    if (in_record_) {
      ++line_;
      col_ = 0;
    }
    in_record_ = false;
    std::size_t l = line_;
    while (l < lines_.size() && lines_[l].find_first_not_of(" \t") == std::string_view::npos) ++l;
    if (l >= lines_.size()) return false;
    std::string_view line = lines_[l];
    line.remove_prefix(line.find_first_not_of(" \t"));
    line = line.substr(0, line.find_last_not_of(" \t") + 1);
    if (line != word) return false;
    line_ = l + 1;
    col_ = 0;
    return true;
  }

  // The field the last read asked for, for messages.
  const std::string& field() const { return field_; }

  int line_number() const { return static_cast<int>(std::min(line_, lines_.size())) + 1; }
  std::string_view file() const { return file_; }

  [[noreturn]] void fail(const std::string& what, const std::string& problem) const {
    throw ReadFailure{std::string(file_) + ", line " + std::to_string(line_number()) + ", " +
                      what + ": " + problem + "."};
  }

 private:
  static bool is_separator(char c) { return c == ' ' || c == '\t' || c == ','; }

  // A real may carry its exponent as a sign and digits straight after the
  // mantissa, with no letter: 8.0+4 is 8.0e4 and 1.5-3 is 1.5e-3.  The letter
  // is put in only when a digit or the point comes before the sign and only
  // digits follow it, so 1.0+, +-5 and the like stay malformed.
  static void insert_exponent_letter(std::string& text) {
    if (text.find('e') != std::string::npos || text.find('E') != std::string::npos) return;
    const std::size_t sign = text.find_first_of("+-", 1);
    if (sign == std::string::npos) return;
    const char before = text[sign - 1];
    if (!(std::isdigit(static_cast<unsigned char>(before)) || before == '.')) return;
    const std::string_view digits = std::string_view(text).substr(sign + 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) return;
    text.insert(sign, 1, 'e');
  }

  // Moves to the start of the next value, across line ends; at most one comma
  // may stand between two values.
  void skip_separators(const std::string& what) {
    in_record_ = true;
    for (;;) {
      if (line_ >= lines_.size()) throw EndOfFile{};
      const std::string_view line = lines_[line_];
      while (col_ < line.size() && (line[col_] == ' ' || line[col_] == '\t')) ++col_;
      if (col_ < line.size() && line[col_] == ',' && !comma_pending_) {
        comma_pending_ = true;
        ++col_;
        continue;
      }
      if (col_ < line.size()) {
        if (line[col_] == ',') fail(what, "a value is missing between two commas");
        comma_pending_ = false;
        return;
      }
      ++line_;
      col_ = 0;
      comma_pending_ = false;
    }
  }

  std::string_view next_token(const std::string& what) {
    skip_separators(what);
    const std::string_view line = lines_[line_];
    const std::size_t start = col_;
    while (col_ < line.size() && !is_separator(line[col_])) ++col_;
    const std::string_view tok = line.substr(start, col_ - start);
    after_value();
    return tok;
  }

  void after_value() {
    // A comma directly after a value is its separator.
    const std::string_view line = lines_[line_];
    while (col_ < line.size() && (line[col_] == ' ' || line[col_] == '\t')) ++col_;
    if (col_ < line.size() && line[col_] == ',') {
      ++col_;
      comma_pending_ = true;
    }
  }

  std::string_view file_;
  std::string field_;
  std::vector<std::string_view> lines_;
  std::size_t line_ = 0;
  std::size_t col_ = 0;
  bool in_record_ = false;
  bool comma_pending_ = false;
};

void check_range(RecordReader& in, int32_t value, int32_t low, int32_t high) {
  if (value < low || value > high)
    in.fail(in.field(), std::to_string(value) + " is outside " + std::to_string(low) + " to " +
                            std::to_string(high));
}

void parse_nodes_and_shafts(RecordReader& in, ScratchModel& m) {
  std::string title(in.next_line("the title").substr(0, Title80::kWidth));
  // Control characters would not survive a save; they show as blanks.
  for (char& c : title)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  m.title = title;

  in.begin_record();
  m.nmass = in.read_int("the number of inertias");
  check_range(in, m.nmass, 0, kMaxNodes);
  m.nstif = in.read_int("the number of stiffnesses");
  check_range(in, m.nstif, 0, kMaxStiffnesses);
  m.conv_i = in.read_real("the inertia unit factor");
  m.conv_s = in.read_real("the stiffness unit factor");

  in.begin_record();
  m.ordmin = in.read_real("the lowest engine order");
  m.ordmax = in.read_real("the highest engine order");
  m.ordstep = in.read_real("the engine order step");

  for (int i = 1; i <= m.nmass; ++i) {
    in.begin_record();
    NODE& node = m.masses(i);
    const std::string of = " of inertia " + std::to_string(i);
    node.xy_node(1) = in.read_real("the x position" + of);
    node.xy_node(2) = in.read_real("the y position" + of);
    node.amass = in.read_real("the inertia" + of);
    node.dampex = in.read_real("the external damping" + of);
    node.icyleng_no(1) = in.read_int("the engine number" + of);
    check_range(in, node.icyleng_no(1), 0, kMaxEngines);
    node.icyleng_no(2) = in.read_int("the cylinder number" + of);
    check_range(in, node.icyleng_no(2), 0, kMaxCylinders);
    in.read_name(node.name, "the name" + of);
  }
  for (int i = 1; i <= m.nstif; ++i) {
    in.begin_record();
    STIFFNESS& s = m.stiff(i);
    const std::string of = " of stiffness " + std::to_string(i);
    s.nodes(1) = in.read_int("the first node" + of);
    if (s.nodes(1) < 1 || s.nodes(1) > m.nmass)
      in.fail(in.field(), "there is no inertia " + std::to_string(s.nodes(1)) +
                              " (the model has " + std::to_string(m.nmass) + ")");
    s.nodes(2) = in.read_int("the second node" + of);
    if (s.nodes(2) < 0 || s.nodes(2) > m.nmass)
      in.fail(in.field(), "there is no inertia " + std::to_string(s.nodes(2)) +
                              " (the model has " + std::to_string(m.nmass) + "; 0 is ground)");
    s.stiff = in.read_real("the stiffness" + of);
    s.dampin = in.read_real("the internal damping" + of);
    s.diam = in.read_real("the shaft diameter" + of);
    s.bore = in.read_real("the shaft bore" + of);
    in.read_name(s.name, "the name" + of);
  }
}

// Engines: the file may end before the engine count or inside an engine
// record.  Engines read in full stay; an engine cut off by the end of the
// file, and every slot after it, is left blank, so nothing of the model held
// before survives in them.  True when every engine record was read.
bool parse_engines(RecordReader& in, ScratchModel& m) {
  for (auto& e : m.engs) e = ENGINE{};
  m.neng = 0;
  try {
    in.begin_record();
    m.neng = in.read_int("the number of engines");
  } catch (const EndOfFile&) {
    m.neng = 0;
    return false;
  }
  check_range(in, m.neng, 0, kMaxEngines);
  for (int i = 1; i <= m.neng; ++i) {
    ENGINE e{};
    const std::string of = " of engine " + std::to_string(i);
    try {
      in.begin_record();
      e.ncyl = in.read_int("the number of cylinders" + of);
      check_range(in, e.ncyl, 0, kMaxCylinders);
      e.nstroke = in.read_int("the stroke" + of);
      for (int c = 1; c <= e.ncyl; ++c)
        e.ifirord(c) = in.read_int("firing-order position " + std::to_string(c) + of);
      e.ivee_engine = in.read_int("the vee flag" + of);
      e.vee_angle = in.read_real("the vee angle" + of);
      in.read_name(e.name, "the name" + of);
    } catch (const EndOfFile&) {
      return false;
    }
    m.engs(i) = e;
  }
  return true;
}

// The forced-response section: the sweep, the excitation of every engine
// slot 1..NENG and the limits of the shafts.  A file without it has no
// forced-response data.
void clear_forced(ScratchModel& m) {
  m.sweep = ForcedSweep{};
  for (auto& s : m.stiff) s.uts = s.ck = 0.0;
}

void parse_forced(RecordReader& in, ScratchModel& m) {
  in.begin_record();
  m.sweep.n_from = in.read_real("the first speed of the forced-response sweep");
  m.sweep.n_to = in.read_real("the last speed of the forced-response sweep");
  m.sweep.n_step = in.read_real("the speed step of the forced-response sweep");
  m.sweep.n_rated = in.read_real("the rated speed of the forced response");
  m.sweep.eta = in.read_real("the loss factor of the forced response");
  for (int k = 1; k <= m.neng; ++k) {
    Excitation& x = m.engs(k).excitation;
    const std::string of = " of the excitation of engine " + std::to_string(k);
    in.begin_record();
    x.bore = in.read_real("the bore" + of);
    x.stroke = in.read_real("the stroke" + of);
    x.conrod = in.read_real("the connecting-rod length" + of);
    x.recip_mass = in.read_real("the reciprocating mass" + of);
    x.p_rated = in.read_real("the rated mean pressure" + of);
    x.load_exp = in.read_real("the load exponent" + of);
    x.nharm = in.read_int("the number of gas harmonics" + of);
    check_range(in, x.nharm, 0, kMaxHarmonics);
    for (int h = 1; h <= x.nharm; ++h) {
      Harmonic& g = x.harm(h);
      const std::string row = " of gas harmonic " + std::to_string(h) + " of engine " +
                              std::to_string(k);
      in.begin_record();
      g.order = in.read_real("the order" + row);
      g.a = in.read_real("the constant part a" + row);
      g.b = in.read_real("the load part b" + row);
      g.phase = in.read_real("the phase" + row);
    }
  }
  in.begin_record();
  const int32_t nlim = in.read_int("the number of shaft limits");
  check_range(in, nlim, 0, m.nstif);
  for (int i = 1; i <= nlim; ++i) {
    const std::string of = " of shaft limit " + std::to_string(i);
    in.begin_record();
    const int32_t s = in.read_int("the stiffness number" + of);
    if (s < 1 || s > m.nstif)
      in.fail(in.field(), "there is no stiffness " + std::to_string(s) + " (the model has " +
                              std::to_string(m.nstif) + ")");
    m.stiff(s).uts = in.read_real("the tensile strength" + of);
    m.stiff(s).ck = in.read_real("the factor ck" + of);
  }
}

std::string real_text(double v);

// The gears section: the speed ratios of the inertias that do not turn at
// the crankshaft's speed, the rigid gear meshes and the offset angles of the
// engines.  A file without it has every ratio 1, no rigid mesh and no offset.
void clear_gears(ScratchModel& m) {
  for (auto& n : m.masses) n.speed_ratio = 0.0;
  for (auto& s : m.stiff) s.rigid = 0;
  for (auto& e : m.engs) e.offset_angle = 0.0;
}

// Reads a record count and checks it against the number of things listed.
int32_t read_count(RecordReader& in, const std::string& what, int32_t high) {
  in.begin_record();
  const int32_t n = in.read_int(what);
  check_range(in, n, 0, high);
  return n;
}

// Reads the number of an inertia, stiffness or engine (`kind`) in 1..high
// and refuses one named twice (seen[number] set).
int32_t read_item(RecordReader& in, const std::string& what, const std::string& kind,
                  int32_t high, bool* seen) {
  const int32_t i = in.read_int(what);
  if (i < 1 || i > high)
    in.fail(in.field(), "there is no " + kind + " " + std::to_string(i) + " (the model has " +
                            std::to_string(high) + ")");
  if (seen[i]) in.fail(in.field(), kind + " " + std::to_string(i) + " is listed twice");
  seen[i] = true;
  return i;
}

void parse_gears(RecordReader& in, ScratchModel& m) {
  bool seen[kMaxNodes + kMaxStiffnesses + kMaxEngines + 1] = {};
  const int32_t nratio = read_count(in, "the number of speed ratios", m.nmass);
  for (int i = 1; i <= nratio; ++i) {
    const std::string of = " of speed ratio " + std::to_string(i);
    in.begin_record();
    const int32_t j = read_item(in, "the inertia number" + of, "inertia", m.nmass, seen);
    const double r = in.read_real("the ratio" + of);
    if (!(r >= 1.0e-3 && r <= 1.0e3))
      in.fail(in.field(), "the speed ratio " + real_text(r) + " of inertia " + std::to_string(j) +
                              " is outside 0.001 to 1000");
    m.masses(j).speed_ratio = r;
  }
  std::fill(seen, seen + std::size(seen), false);
  const int32_t nrigid = read_count(in, "the number of rigid meshes", m.nstif);
  for (int i = 1; i <= nrigid; ++i) {
    in.begin_record();
    const int32_t s = read_item(in, "the stiffness number of rigid mesh " + std::to_string(i),
                                "stiffness", m.nstif, seen);
    if (m.stiff(s).nodes(2) == 0)
      in.fail(in.field(), "stiffness " + std::to_string(s) +
                              " runs to ground; a rigid mesh must join two inertias");
    m.stiff(s).rigid = 1;
  }
  std::fill(seen, seen + std::size(seen), false);
  const int32_t noffset = read_count(in, "the number of offset angles", m.neng);
  for (int i = 1; i <= noffset; ++i) {
    const std::string of = " of offset angle " + std::to_string(i);
    in.begin_record();
    const int32_t k = read_item(in, "the engine number" + of, "engine", m.neng, seen);
    m.engs(k).offset_angle = in.read_real("the offset angle" + of);
  }
}

// The couplings section: the relative damping psi of the stiffnesses that
// have one.  A file without it has psi 0 everywhere.
void clear_couplings(ScratchModel& m) {
  for (auto& s : m.stiff) s.psi = 0.0;
}

void parse_couplings(RecordReader& in, ScratchModel& m) {
  bool seen[kMaxStiffnesses + 1] = {};
  const int32_t npsi = read_count(in, "the number of relative dampings", m.nstif);
  for (int i = 1; i <= npsi; ++i) {
    const std::string of = " of relative damping " + std::to_string(i);
    in.begin_record();
    const int32_t s = read_item(in, "the stiffness number" + of, "stiffness", m.nstif, seen);
    const double psi = in.read_real("the relative damping psi" + of);
    if (psi < 0.0)
      in.fail(in.field(), "the relative damping " + real_text(psi) + " of stiffness " +
                              std::to_string(s) + " is negative");
    m.stiff(s).psi = psi;
  }
}

// The maker's limits: one record per stiffness, its kind by word.
void clear_limits(ScratchModel& m) {
  for (auto& s : m.stiff) {
    s.limit_kind = kLimitNone;
    s.limit_v1 = s.limit_v2 = s.limit_v3 = 0.0;
  }
  m.limit_line.fill(0);
}

void parse_limits(RecordReader& in, ScratchModel& m) {
  in.begin_record();
  const int32_t n = in.read_int("the number of limit records");
  check_range(in, n, 0, m.nstif);
  for (int i = 1; i <= n; ++i) {
    const std::string of = " of limit record " + std::to_string(i);
    in.begin_record();
    const int32_t k = in.read_int("the stiffness number" + of);
    if (k < 1 || k > m.nstif)
      in.fail(in.field(), "there is no stiffness " + std::to_string(k) + " (the model has " +
                              std::to_string(m.nstif) + ")");
    if (m.limit_line(k) != 0)
      in.fail(in.field(), "stiffness " + std::to_string(k) + " already has limits on line " +
                              std::to_string(m.limit_line(k)));
    m.limit_line(k) = in.line_number();
    Name16 word;
    in.read_name(word, "the kind" + of);
    STIFFNESS& s = m.stiff(k);
    if (word.trimmed() == "stress") {
      s.limit_kind = kLimitStress;
    } else if (word.trimmed() == "coupling") {
      s.limit_kind = kLimitCoupling;
    } else {
      in.fail(in.field(), "'" + std::string(word.trimmed()) + "' is no kind of limit (stress or coupling)");
    }
    const bool coupling = s.limit_kind == kLimitCoupling;
    s.limit_v1 = in.read_real((coupling ? "the permissible vibratory torque T_KW"
                                        : "the permissible stress for continuous running") +
                              of);
    if (s.limit_v1 <= 0.0) in.fail(in.field(), "it must be greater than zero");
    s.limit_v2 = in.read_real(
        (coupling ? "the permissible power loss P_KV" : "the permissible stress in a barred range") +
        of);
    if (s.limit_v2 < 0.0) in.fail(in.field(), "it must not be negative");
    s.limit_v3 = in.read_real(
        (coupling ? "the maximum torque T_Kmax" : "the unused third value") + of);
    if (s.limit_v3 < 0.0) in.fail(in.field(), "it must not be negative");
  }
}

// The load cases of the forced response.
void clear_cases(ScratchModel& m) {
  m.cases.fill(LoadCase{});
  m.ncases = 0;
}

void parse_cases(RecordReader& in, ScratchModel& m) {
  in.begin_record();
  m.ncases = in.read_int("the number of load cases");
  check_range(in, m.ncases, 1, kMaxCases);
  for (int i = 1; i <= m.ncases; ++i) {
    LoadCase& c = m.cases(i);
    const std::string of = " of load case " + std::to_string(i);
    in.begin_record();
    in.read_name(c.name, "the name" + of);
    if (c.name.is_blank()) in.fail(in.field(), "a load case needs a name");
    for (int j = 1; j < i; ++j)
      if (m.cases(j).name.trimmed() == c.name.trimmed())
        in.fail(in.field(), "load case " + std::to_string(j) + " has the name '" +
                                std::string(c.name.trimmed()) + "' already");
    c.n_from = in.read_real("the first speed" + of);
    c.n_to = in.read_real("the last speed" + of);
    c.n_step = in.read_real("the speed step" + of);
    c.load_factor = in.read_real("the load factor" + of);
    c.load_exp = in.read_real("the load exponent" + of);
    c.oper_from = in.read_real("the start of the operating range" + of);
    c.oper_to = in.read_real("the end of the operating range" + of);
    c.misfire_engine = in.read_int("the misfiring engine" + of);
    check_range(in, c.misfire_engine, 0, kMaxEngines);
    c.misfire_cylinder = in.read_int("the misfiring cylinder" + of);
    check_range(in, c.misfire_cylinder, 0, 2 * kMaxCylinders);
  }
}

// A stiffness is judged by one kind of limit: the shaft rule of the FORCED
// section or the maker's limits of the LIMITS section, never both.
void check_one_kind_of_limit(const RecordReader& in, const ScratchModel& m) {
  for (int k = 1; k <= m.nstif; ++k) {
    const STIFFNESS& s = m.stiff(k);
    if (m.limit_line(k) == 0 || (s.uts == 0.0 && s.ck == 0.0)) continue;
    throw ReadFailure{std::string(in.file()) + ", line " + std::to_string(m.limit_line(k)) +
                      ", the stiffness number of the LIMITS record: stiffness " +
                      std::to_string(k) +
                      " has shaft limits in the FORCED section as well; a stiffness is judged "
                      "by one kind of limit."};
  }
}

// The transient section: the cases, each a common record and the record of
// its kind; a table case's points follow it.  Values are checked when a case
// runs; here only what the file's structure needs: the kind, the counts and
// the inertia numbers (0 = none chosen).
void clear_transient(ScratchModel& m) {
  m.trans_cases.fill(TransientCase{});
  m.ntrans = 0;
  m.points.clear();
}

void parse_transient(RecordReader& in, ScratchModel& m) {
  in.begin_record();
  m.ntrans = in.read_int("the number of transient cases");
  check_range(in, m.ntrans, 0, kMaxTransientCases);
  for (int k = 1; k <= m.ntrans; ++k) {
    TransientCase& c = m.trans_cases(k);
    const std::string of = " of transient case " + std::to_string(k);
    in.begin_record();
    Name16 word;
    in.read_name(word, "the kind" + of);
    for (int32_t kind = kTransientRunup; kind <= kTransientTable; ++kind)
      if (word.trimmed() == transient_kind_word(kind)) c.kind = kind;
    if (c.kind == kTransientNone)
      in.fail(in.field(), "'" + word.str() +
                              "' is none of runup, shortcircuit3, shortcircuit2, ice, step, table");
    in.read_name(c.name, "the name" + of);
    c.duration = in.read_real("the duration" + of);
    c.step = in.read_real("the time step" + of);
    c.damping_hz = in.read_real("the damping frequency" + of);
    in.begin_record();
    if (c.kind != kTransientRunup) {
      c.inertia = in.read_int("the inertia" + of);
      if (c.inertia < 0 || c.inertia > m.nmass)
        in.fail(in.field(), "there is no inertia " + std::to_string(c.inertia) +
                                " (the model has " + std::to_string(m.nmass) + ")");
    }
    switch (c.kind) {
      case kTransientRunup:
        c.n_start = in.read_real("the start speed" + of);
        c.n_end = in.read_real("the end speed" + of);
        break;
      case kTransientShortCircuit3:
      case kTransientShortCircuit2:
        c.t_n = in.read_real("the rated torque T_N" + of);
        c.f_line = in.read_real("the line frequency" + of);
        c.xd2 = in.read_real("the subtransient reactance xd''" + of);
        c.xd1 = in.read_real("the transient reactance xd'" + of);
        c.xd = in.read_real("the synchronous reactance xd" + of);
        c.td2 = in.read_real("the subtransient time constant Td''" + of);
        c.td1 = in.read_real("the transient time constant Td'" + of);
        c.ta = in.read_real("the armature time constant Ta" + of);
        break;
      case kTransientIce:
        c.blades = in.read_int("the number of blades" + of);
        c.qmax = in.read_real("the ice torque qmax" + of);
        c.n_prop = in.read_real("the propeller speed" + of);
        c.cq = in.read_real("the factor cq" + of);
        c.alpha = in.read_real("the impact angle alpha" + of);
        c.h_ice = in.read_real("the ice thickness" + of);
        break;
      case kTransientStep:
        c.t0 = in.read_real("the step time" + of);
        c.torque0 = in.read_real("the step torque" + of);
        break;
      case kTransientTable: {
        c.npoint = in.read_int("the number of table points" + of);
        check_range(in, c.npoint, 0, kMaxTablePoints);
        const int32_t used = static_cast<int32_t>(m.points.size());
        if (c.npoint > kMaxTablePoints - used)
          in.fail(in.field(), "the tables of the cases hold at most " +
                                  std::to_string(kMaxTablePoints) + " points together");
        c.first_point = used + 1;
        for (int i = 1; i <= c.npoint; ++i) {
          const std::string row = " of table point " + std::to_string(i) + of;
          in.begin_record();
          TablePoint p;
          p.time = in.read_real("the time" + row);
          p.torque = in.read_real("the torque" + row);
          if (i > 1 && !(p.time > m.points.back().time))
            in.fail(in.field(), "the times must increase strictly");
          m.points.push_back(p);
        }
        if (c.npoint == 0) c.first_point = 0;
        break;
      }
      default:
        break;
    }
  }
}

// The optional sections after the engine records.  Each starts with its word
// alone on a line; they may stand in any order, each at most once.  Data of
// a section the file lacks is cleared, so nothing of the model held before
// survives.  The writer writes them in this order, each only when the model
// has such data.
struct SectionFormat {
  std::string_view word;
  std::string_view what;  // for the message when the file ends inside it
  void (*clear)(ScratchModel&);
  void (*parse)(RecordReader&, ScratchModel&);
};

constexpr SectionFormat kSections[] = {
    {"FORCED", "the forced-response section", clear_forced, parse_forced},
    {"GEARS", "the gears section", clear_gears, parse_gears},
    {"COUPLINGS", "the couplings section", clear_couplings, parse_couplings},
    {"LIMITS", "the limits section", clear_limits, parse_limits},
    {"CASES", "the load-case section", clear_cases, parse_cases},
    {"TRANSIENT", "the transient section", clear_transient, parse_transient},
};
constexpr int kSectionCount = static_cast<int>(std::size(kSections));

// Reads the sections that follow the engine records.  Text that starts no
// section ends the reading; whatever follows it is ignored.
void parse_sections(RecordReader& in, ScratchModel& m) {
  bool seen[kSectionCount] = {};
  for (;;) {
    int found = -1;
    for (int k = 0; k < kSectionCount && found < 0; ++k)
      if (in.take_word_line(kSections[k].word)) found = k;
    if (found < 0) return;
    const SectionFormat& section = kSections[found];
    if (seen[found])
      throw ReadFailure{std::string(in.file()) + ", line " + std::to_string(in.line_number() - 1) +
                        ": a second " + std::string(section.word) +
                        " section; a model has at most one."};
    seen[found] = true;
    try {
      section.parse(in, m);
    } catch (const EndOfFile&) {
      throw ReadFailure{std::string(in.file()) + ", line " + std::to_string(in.line_number()) +
                        ": the file ends before " + in.field() + "; " + std::string(section.what) +
                        " is incomplete."};
    }
  }
}

void parse_model(std::string_view text, std::string_view file_name, ScratchModel& m) {
  RecordReader in(text, file_name);
  try {
    parse_nodes_and_shafts(in, m);
  } catch (const EndOfFile&) {
    throw ReadFailure{std::string(file_name) + ", line " + std::to_string(in.line_number()) +
                      ": the file ends before " + in.field() + "; the model is incomplete."};
  }
  const bool complete = parse_engines(in, m);
  for (const SectionFormat& section : kSections) section.clear(m);
  if (complete) parse_sections(in, m);
  check_one_kind_of_limit(in, m);
}

// The file name of the last model read or saved successfully.  A failed Open
// or Save puts it back into FILIN, so that the next Save never writes the
// current model over a file that could not be read.
FileName130 last_good_filin;

std::string path_of(const FileName130& name) { return std::string(name.trimmed()); }

// Shortest text that reads back to exactly the same double.
std::string real_text(double v) {
  char buf[64];
  auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, ptr);
  if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
  return s;
}

std::string quoted(const Name16& name) {
  std::string s = " '";
  for (char c : name.view()) {
    s += c;
    if (c == '\'') s += '\'';
  }
  s += '\'';
  return s;
}

// The file a save really writes: a symbolic link is followed to its final
// target, so that the link stays and the file it names gets the model.  A
// link to a file that does not exist yet names that file.
bool resolve_links(std::string& path, std::string& reason) {
  namespace fs = std::filesystem;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return true;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) {
      reason = ec.message();
      return false;
    }
    path = target.is_absolute() ? target.string()
                                : (fs::path(path).parent_path() / target).string();
  }
  reason = std::strerror(ELOOP);
  return false;
}

bool write_all(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Replaces the contents of the file `path` by `text` without a moment in
// which the file is half written: the text goes to a fresh file beside the
// real target, which then takes the target's place in one rename.  The new
// file keeps the permission bits of the one it replaces (a new file gets the
// usual ones for the user's umask).  On failure the old file is untouched
// and `reason` holds the system's explanation.
bool replace_file(std::string path, std::string_view text, std::string& reason) {
  if (!resolve_links(path, reason)) return false;
  mode_t mode = 0;
  struct stat old_file {};
  const bool existed = ::stat(path.c_str(), &old_file) == 0;
  if (existed) {
    if (S_ISDIR(old_file.st_mode)) {
      reason = "it is a folder";
      return false;
    }
    mode = old_file.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  // The old file's owner and group come back where the system allows it;
  // where it does not, the saver owns the new file, as with any editor.
  if (existed && ::fchown(fd, old_file.st_uid, old_file.st_gid) != 0) errno = 0;
  bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, text) && ::fsync(fd) == 0;
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    reason = std::strerror(saved);
  }
  return ok;
}

// The forced-response section, only when the model has forced-response data.
void write_forced_section(std::string& out, int neng) {
  bool any = !(forced_sweep == ForcedSweep{});
  int nlim = 0;
  for (int k = 1; k <= neng; ++k) any = any || !(ENGS(k).excitation == Excitation{});
  for (int s = 1; s <= NSTIF; ++s)
    if (STIFF(s).uts != 0.0 || STIFF(s).ck != 0.0) ++nlim;
  if (!any && nlim == 0) return;
  const ForcedSweep& w = forced_sweep;
  out += "FORCED\n";
  out += ' ' + real_text(w.n_from) + ' ' + real_text(w.n_to) + ' ' + real_text(w.n_step) + ' ' +
         real_text(w.n_rated) + ' ' + real_text(w.eta) + '\n';
  for (int k = 1; k <= neng; ++k) {
    const Excitation& x = ENGS(k).excitation;
    const int nharm = std::clamp(x.nharm, 0, kMaxHarmonics);
    out += ' ' + real_text(x.bore) + ' ' + real_text(x.stroke) + ' ' + real_text(x.conrod) + ' ' +
           real_text(x.recip_mass) + ' ' + real_text(x.p_rated) + ' ' + real_text(x.load_exp) +
           ' ' + std::to_string(nharm) + '\n';
    for (int h = 1; h <= nharm; ++h) {
      const Harmonic& g = x.harm(h);
      out += ' ' + real_text(g.order) + ' ' + real_text(g.a) + ' ' + real_text(g.b) + ' ' +
             real_text(g.phase) + '\n';
    }
  }
  out += ' ' + std::to_string(nlim) + '\n';
  for (int s = 1; s <= NSTIF; ++s) {
    if (STIFF(s).uts == 0.0 && STIFF(s).ck == 0.0) continue;
    out += ' ' + std::to_string(s) + ' ' + real_text(STIFF(s).uts) + ' ' + real_text(STIFF(s).ck) +
           '\n';
  }
}

// The maker's limits, only when a stiffness has them.
void write_limits_section(std::string& out) {
  int n = 0;
  for (int s = 1; s <= NSTIF; ++s)
    if (STIFF(s).limit_kind != kLimitNone) ++n;
  if (n == 0) return;
  out += "LIMITS\n " + std::to_string(n) + '\n';
  for (int s = 1; s <= NSTIF; ++s) {
    const STIFFNESS& k = STIFF(s);
    if (k.limit_kind == kLimitNone) continue;
    out += ' ' + std::to_string(s) + (k.limit_kind == kLimitCoupling ? " coupling " : " stress ") +
           real_text(k.limit_v1) + ' ' + real_text(k.limit_v2) + ' ' + real_text(k.limit_v3) +
           '\n';
  }
}

// The load cases, only when the model has them.
void write_cases_section(std::string& out) {
  const int n = std::clamp(NCASES, 0, kMaxCases);
  if (n == 0) return;
  out += "CASES\n " + std::to_string(n) + '\n';
  for (int i = 1; i <= n; ++i) {
    const LoadCase& c = LOAD_CASES(i);
    out += quoted(c.name) + ' ' + real_text(c.n_from) + ' ' + real_text(c.n_to) + ' ' +
           real_text(c.n_step) + ' ' + real_text(c.load_factor) + ' ' + real_text(c.load_exp) +
           ' ' + real_text(c.oper_from) + ' ' + real_text(c.oper_to) + ' ' +
           std::to_string(c.misfire_engine) + ' ' + std::to_string(c.misfire_cylinder) + '\n';
  }
}

// The gears section, only when an inertia turns at a ratio other than 1, a
// mesh is rigid or an engine has an offset angle.
void write_gears_section(std::string& out, int neng) {
  int nratio = 0, nrigid = 0, noffset = 0;
  for (int j = 1; j <= NMASS; ++j) nratio += speed_ratio_of(MASSES(j)) != 1.0;
  for (int s = 1; s <= NSTIF; ++s) nrigid += STIFF(s).rigid != 0;
  for (int k = 1; k <= neng; ++k) noffset += ENGS(k).offset_angle != 0.0;
  if (nratio == 0 && nrigid == 0 && noffset == 0) return;
  out += "GEARS\n";
  out += ' ' + std::to_string(nratio) + '\n';
  for (int j = 1; j <= NMASS; ++j) {
    if (speed_ratio_of(MASSES(j)) == 1.0) continue;
    out += ' ' + std::to_string(j) + ' ' + real_text(MASSES(j).speed_ratio) + '\n';
  }
  out += ' ' + std::to_string(nrigid) + '\n';
  for (int s = 1; s <= NSTIF; ++s)
    if (STIFF(s).rigid != 0) out += ' ' + std::to_string(s) + '\n';
  out += ' ' + std::to_string(noffset) + '\n';
  for (int k = 1; k <= neng; ++k) {
    if (ENGS(k).offset_angle == 0.0) continue;
    out += ' ' + std::to_string(k) + ' ' + real_text(ENGS(k).offset_angle) + '\n';
  }
}

// The couplings section, only when a stiffness has a relative damping.
void write_couplings_section(std::string& out) {
  int npsi = 0;
  for (int s = 1; s <= NSTIF; ++s) npsi += STIFF(s).psi != 0.0;
  if (npsi == 0) return;
  out += "COUPLINGS\n";
  out += ' ' + std::to_string(npsi) + '\n';
  for (int s = 1; s <= NSTIF; ++s) {
    if (STIFF(s).psi == 0.0) continue;
    out += ' ' + std::to_string(s) + ' ' + real_text(STIFF(s).psi) + '\n';
  }
}

// The transient section, only when the model has cases.
void write_transient_section(std::string& out) {
  const int ncase = std::clamp(NTRANS, 0, kMaxTransientCases);
  if (ncase == 0) return;
  out += "TRANSIENT\n";
  out += ' ' + std::to_string(ncase) + '\n';
  for (int k = 1; k <= ncase; ++k) {
    const TransientCase& c = TRANSIENT_CASES(k);
    out += ' ';
    out += transient_kind_word(c.kind);
    out += quoted(c.name) + ' ' + real_text(c.duration) + ' ' + real_text(c.step) + ' ' +
           real_text(c.damping_hz) + '\n';
    std::string rec;
    if (c.kind != kTransientRunup) rec += ' ' + std::to_string(c.inertia);
    switch (c.kind) {
      case kTransientRunup:
        rec += ' ' + real_text(c.n_start) + ' ' + real_text(c.n_end);
        break;
      case kTransientShortCircuit3:
      case kTransientShortCircuit2:
        for (double v : {c.t_n, c.f_line, c.xd2, c.xd1, c.xd, c.td2, c.td1, c.ta})
          rec += ' ' + real_text(v);
        break;
      case kTransientIce:
        rec += ' ' + std::to_string(c.blades);
        for (double v : {c.qmax, c.n_prop, c.cq, c.alpha, c.h_ice}) rec += ' ' + real_text(v);
        break;
      case kTransientStep:
        rec += ' ' + real_text(c.t0) + ' ' + real_text(c.torque0);
        break;
      case kTransientTable: {
        const bool inside =
            c.npoint > 0 && c.first_point >= 1 && c.first_point + c.npoint - 1 <= NTRANS_POINTS;
        const int32_t npoint = inside ? c.npoint : 0;
        rec += ' ' + std::to_string(npoint) + '\n';
        for (int32_t i = 0; i < npoint; ++i) {
          const TablePoint& p = TRANSIENT_POINTS(c.first_point + i);
          rec += ' ' + real_text(p.time) + ' ' + real_text(p.torque) + '\n';
        }
        out += rec;
        continue;
      }
      default:
        break;
    }
    out += rec + '\n';
  }
}

}  // namespace

bool load_model_text(std::string_view text, std::string_view file_name, std::string* error) {
  auto scratch = std::make_unique<ScratchModel>();
  // Fields the file does not carry keep the values they have in memory.
  scratch->masses = MASSES;
  scratch->stiff = STIFF;
  try {
    parse_model(text, file_name, *scratch);
  } catch (const ReadFailure& failure) {
    if (error) *error = failure.message;
    return false;
  }
  TITLE = scratch->title;
  NMASS = scratch->nmass;
  NSTIF = scratch->nstif;
  CONV_I = scratch->conv_i;
  CONV_S = scratch->conv_s;
  ORDMIN = scratch->ordmin;
  ORDMAX = scratch->ordmax;
  ORDSTEP = scratch->ordstep;
  MASSES = scratch->masses;
  STIFF = scratch->stiff;
  ENGS = scratch->engs;
  NENG = scratch->neng;
  forced_sweep = scratch->sweep;
  TRANSIENT_CASES = scratch->trans_cases;
  NTRANS = scratch->ntrans;
  NTRANS_POINTS = static_cast<int32_t>(scratch->points.size());
  std::copy(scratch->points.begin(), scratch->points.end(), TRANSIENT_POINTS.data());
  LOAD_CASES = scratch->cases;
  NCASES = scratch->ncases;
  for (auto& f : FREQS) f.blank();
  IVALID = 0;
  return true;
}

bool read_model_file(std::string* error) {
  FileName130 name = FILIN;
  DEFAULT_EXTENSION(name, "rtm", 0);
  const std::string path = path_of(name);
  std::string reason;
  std::string text;
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (std::filesystem::is_directory(status)) {
    // Opening a folder succeeds on some systems and reads as an empty file.
    reason = "it is a folder, not a file";
  } else if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    // A pipe or a device would block the program or never end.
    reason = "it is a device or pipe, not a file";
  } else {
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      reason = errno != 0 ? std::strerror(errno) : "it cannot be opened";
    } else {
      std::ostringstream contents;
      contents << file.rdbuf();
      text = contents.str();
      if (file.bad()) reason = errno != 0 ? std::strerror(errno) : "it cannot be read";
    }
  }
  if (!reason.empty()) {
    if (error) *error = path + ": the file cannot be opened for reading (" + reason + ").";
    FILIN = last_good_filin;
    return false;
  }
  if (!load_model_text(text, path, error)) {
    FILIN = last_good_filin;
    return false;
  }
  FILIN = name;
  FILOUT = FILIN;
  DEFAULT_EXTENSION(FILOUT, "lis", 0);
  last_good_filin = FILIN;
  return true;
}

std::string model_text() {
  std::string out;
  out.reserve(4096);
  out += TITLE.view();
  out += '\n';
  out += ' ' + std::to_string(NMASS) + ' ' + std::to_string(NSTIF) + ' ' + real_text(CONV_I) + ' ' +
         real_text(CONV_S) + '\n';
  out += ' ' + real_text(ORDMIN) + ' ' + real_text(ORDMAX) + ' ' + real_text(ORDSTEP) + '\n';
  for (int i = 1; i <= NMASS; ++i) {
    const NODE& n = MASSES(i);
    out += ' ' + real_text(n.xy_node(1)) + ' ' + real_text(n.xy_node(2)) + ' ' +
           real_text(n.amass) + ' ' + real_text(n.dampex) + ' ' + std::to_string(n.icyleng_no(1)) +
           ' ' + std::to_string(n.icyleng_no(2)) + quoted(n.name) + '\n';
  }
  for (int i = 1; i <= NSTIF; ++i) {
    const STIFFNESS& s = STIFF(i);
    out += ' ' + std::to_string(s.nodes(1)) + ' ' + std::to_string(s.nodes(2)) + ' ' +
           real_text(s.stiff) + ' ' + real_text(s.dampin) + ' ' + real_text(s.diam) + ' ' +
           real_text(s.bore) + quoted(s.name) + '\n';
  }
  const int neng = std::clamp(NENG, 0, kMaxEngines);
  out += ' ' + std::to_string(neng) + '\n';
  for (int i = 1; i <= neng; ++i) {
    const ENGINE& e = ENGS(i);
    const int ncyl = std::clamp(e.ncyl, 0, kMaxCylinders);
    out += ' ' + std::to_string(ncyl) + ' ' + std::to_string(e.nstroke);
    for (int c = 1; c <= ncyl; ++c) out += ' ' + std::to_string(e.ifirord(c));
    out += ' ' + std::to_string(e.ivee_engine) + ' ' + real_text(e.vee_angle) + quoted(e.name) +
           '\n';
  }
  // The optional sections, in the order the reader documents.
  write_forced_section(out, neng);
  write_gears_section(out, neng);
  write_couplings_section(out);
  write_limits_section(out);
  write_cases_section(out);
  write_transient_section(out);
  return out;
}

bool write_model_file(std::string* error) {
  FileName130 name = FILIN;
  DEFAULT_EXTENSION(name, "rtm", 0);
  const std::string path = path_of(name);
  std::string reason;
  if (!replace_file(path, model_text(), reason)) {
    if (error)
      *error = path + ": the model could not be written (" + reason + "); nothing was saved.";
    FILIN = last_good_filin;
    return false;
  }
  FILIN = name;
  last_good_filin = FILIN;
  return true;
}

}  // namespace spindra
