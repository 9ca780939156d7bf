#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/model/model_file.h"
#include "app/model/store.h"

namespace spindra {
namespace {

// Every sample model opens, and is exactly what the program writes for it.
TEST(Examples, OpenAndAreWhatTheProgramWrites) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(SPINDRA_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".rtm") continue;
    ++count;
    initialise_store();
    FILIN = entry.path().string();
    std::string error;
    ASSERT_TRUE(read_model_file(&error)) << error;
    EXPECT_GE(NMASS, 3) << entry.path();
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(model_text(), text.str()) << entry.path();
  }
  EXPECT_GE(count, 4);
}

// A reader of the model file written from docs/model-file.md alone, without
// the program's reader: each record starts on a new line and takes values
// (blank- or comma-separated, a name between apostrophes with '' for an
// apostrophe) from as many lines as it needs; the rest of its last line is
// skipped.
class DocumentedReader {
 public:
  explicit DocumentedReader(const std::string& text) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines_.push_back(line);
  }
  const std::string& title() const { return lines_.at(0); }
  bool at_end() {
    skip_blank_lines();
    return next_ >= lines_.size();
  }
  // The next line that is not blank, with its blanks trimmed, taken.
  std::string word_line() {
    skip_blank_lines();
    std::string line = next_ < lines_.size() ? lines_[next_++] : "";
    line.erase(0, line.find_first_not_of(" \t"));
    line.erase(line.find_last_not_of(" \t\r") + 1);
    return line;
  }
  // The values of one record; `count` says how many it has, from the values
  // read so far (an engine record's length follows from its first value).
  template <typename Count>
  std::vector<std::string> record_of(Count count) {
    std::vector<std::string> values;
    while (values.size() < count(values)) {
      if (next_ >= lines_.size()) return {};  // the file ends inside the record
      for (const std::string& v : split(lines_[next_++])) values.push_back(v);
    }
    values.resize(count(values));
    return values;
  }
  std::vector<std::string> record(std::size_t n) {
    return record_of([n](const std::vector<std::string>&) { return n; });
  }

 private:
  void skip_blank_lines() {
    while (next_ < lines_.size() &&
           lines_[next_].find_first_not_of(" \t\r") == std::string::npos)
      ++next_;
  }
  static std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
      const char c = line[i];
      if (c == ' ' || c == '\t' || c == ',' || c == '\r') {
        ++i;
      } else if (c == '\'') {
        std::string name;
        for (++i; i < line.size(); ++i) {
          if (line[i] != '\'') {
            name += line[i];
          } else if (i + 1 < line.size() && line[i + 1] == '\'') {
            name += line[++i];
          } else {
            ++i;
            break;
          }
        }
        out.push_back(name);
      } else {
        const std::size_t end = line.find_first_of(" \t,\r", i);
        out.push_back(line.substr(i, end == std::string::npos ? end : end - i));
        i = end == std::string::npos ? line.size() : end;
      }
    }
    return out;
  }
  std::vector<std::string> lines_;
  std::size_t next_ = 1;  // line 0 is the title
};

std::string trimmed(std::string_view s) {
  const auto end = s.find_last_not_of(' ');
  return std::string(s.substr(0, end == std::string_view::npos ? 0 : end + 1));
}

// Every sample model reads as docs/model-file.md says: the counts, names and
// engines that its record rules give, and the forced-response section when
// the model has one, are what the program's reader puts in the store.
TEST(Examples, ReadAsTheModelFileDocumentSays) {
  for (const auto& entry : std::filesystem::directory_iterator(SPINDRA_SOURCE_DIR "/examples")) {
    if (entry.path().extension() != ".rtm") continue;
    SCOPED_TRACE(entry.path().string());
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    initialise_store();
    FILIN = entry.path().string();
    std::string error;
    ASSERT_TRUE(read_model_file(&error)) << error;

    DocumentedReader doc(text.str());
    EXPECT_EQ(trimmed(doc.title().substr(0, 80)), trimmed(TITLE.view()));
    const auto counts = doc.record(4);
    ASSERT_EQ(counts.size(), 4u);
    const int nmass = std::stoi(counts[0]), nstif = std::stoi(counts[1]);
    EXPECT_EQ(nmass, NMASS);
    EXPECT_EQ(nstif, NSTIF);
    EXPECT_EQ(std::stod(doc.record(3).at(2)), ORDSTEP);
    for (int i = 1; i <= nmass; ++i) {
      const auto node = doc.record(7);
      ASSERT_EQ(node.size(), 7u);
      EXPECT_EQ(std::stod(node[2]), MASSES(i).amass);
      EXPECT_EQ(std::stoi(node[4]), MASSES(i).icyleng_no(1));
      EXPECT_EQ(trimmed(node[6]), trimmed(MASSES(i).name.view()));
    }
    for (int i = 1; i <= nstif; ++i) {
      const auto shaft = doc.record(7);
      ASSERT_EQ(shaft.size(), 7u);
      EXPECT_EQ(std::stoi(shaft[1]), STIFF(i).nodes(2));
      EXPECT_EQ(std::stod(shaft[2]), STIFF(i).stiff);
      EXPECT_EQ(trimmed(shaft[6]), trimmed(STIFF(i).name.view()));
    }
    const int neng = doc.at_end() ? 0 : std::stoi(doc.record(1).at(0));
    EXPECT_EQ(neng, NENG);
    for (int k = 1; k <= neng; ++k) {
      const auto engine = doc.record_of([](const std::vector<std::string>& v) -> std::size_t {
        return v.empty() ? 1 : 2 + std::stoul(v[0]) + 3;
      });
      ASSERT_FALSE(engine.empty());
      const int ncyl = std::stoi(engine[0]);
      EXPECT_EQ(ncyl, ENGS(k).ncyl);
      EXPECT_EQ(std::stoi(engine[1]), ENGS(k).nstroke);
      for (int c = 1; c <= ncyl; ++c) EXPECT_EQ(std::stoi(engine[1 + c]), ENGS(k).ifirord(c));
      EXPECT_EQ(trimmed(engine.back()), trimmed(ENGS(k).name.view()));
    }
    int limits_in_store = 0;
    for (int s = 1; s <= NSTIF; ++s) limits_in_store += STIFF(s).uts != 0 || STIFF(s).ck != 0;
    if (doc.at_end() || doc.word_line() != "FORCED") {
      EXPECT_EQ(forced_sweep, ForcedSweep{});
      EXPECT_EQ(limits_in_store, 0);
      continue;
    }
    const auto sweep = doc.record(5);
    ASSERT_EQ(sweep.size(), 5u);
    EXPECT_EQ(std::stod(sweep[0]), forced_sweep.n_from);
    EXPECT_EQ(std::stod(sweep[3]), forced_sweep.n_rated);
    EXPECT_EQ(std::stod(sweep[4]), forced_sweep.eta);
    for (int k = 1; k <= neng; ++k) {
      const Excitation& x = ENGS(k).excitation;
      const auto data = doc.record(7);
      ASSERT_EQ(data.size(), 7u);
      EXPECT_EQ(std::stod(data[0]), x.bore);
      const int nharm = std::stoi(data[6]);
      EXPECT_EQ(nharm, x.nharm);
      for (int h = 1; h <= nharm; ++h) {
        const auto harmonic = doc.record(4);
        ASSERT_EQ(harmonic.size(), 4u);
        EXPECT_EQ(std::stod(harmonic[0]), x.harm(h).order);
        EXPECT_EQ(std::stod(harmonic[3]), x.harm(h).phase);
      }
    }
    const int nlim = std::stoi(doc.record(1).at(0));
    EXPECT_EQ(nlim, limits_in_store);
    for (int i = 1; i <= nlim; ++i) {
      const auto limit = doc.record(3);
      ASSERT_EQ(limit.size(), 3u);
      const int s = std::stoi(limit[0]);
      ASSERT_TRUE(s >= 1 && s <= NSTIF) << s;
      EXPECT_EQ(std::stod(limit[1]), STIFF(s).uts);
      EXPECT_EQ(std::stod(limit[2]), STIFF(s).ck);
    }
    // The gears and couplings sections follow, when the model has such data.
    int ratios = 0, rigid = 0, offsets = 0, psi = 0;
    for (int j = 1; j <= NMASS; ++j) ratios += MASSES(j).speed_ratio != 0.0;
    for (int s = 1; s <= NSTIF; ++s) rigid += STIFF(s).rigid;
    for (int s = 1; s <= NSTIF; ++s) psi += STIFF(s).psi != 0.0;
    for (int k = 1; k <= NENG; ++k) offsets += ENGS(k).offset_angle != 0.0;
    std::string word = doc.at_end() ? "" : doc.word_line();
    if (ratios + rigid + offsets > 0) {
      ASSERT_EQ(word, "GEARS");
      const int nratio = std::stoi(doc.record(1).at(0));
      EXPECT_EQ(nratio, ratios);
      for (int i = 1; i <= nratio; ++i) {
        const auto r = doc.record(2);
        EXPECT_EQ(std::stod(r.at(1)), MASSES(std::stoi(r.at(0))).speed_ratio);
      }
      const int nrigid = std::stoi(doc.record(1).at(0));
      EXPECT_EQ(nrigid, rigid);
      for (int i = 1; i <= nrigid; ++i) EXPECT_EQ(STIFF(std::stoi(doc.record(1).at(0))).rigid, 1);
      const int noffset = std::stoi(doc.record(1).at(0));
      EXPECT_EQ(noffset, offsets);
      for (int i = 1; i <= noffset; ++i) {
        const auto o = doc.record(2);
        EXPECT_EQ(std::stod(o.at(1)), ENGS(std::stoi(o.at(0))).offset_angle);
      }
      word = doc.at_end() ? "" : doc.word_line();
    }
    if (psi > 0) {
      ASSERT_EQ(word, "COUPLINGS");
      const int npsi = std::stoi(doc.record(1).at(0));
      EXPECT_EQ(npsi, psi);
      for (int i = 1; i <= npsi; ++i) {
        const auto p = doc.record(2);
        EXPECT_EQ(std::stod(p.at(1)), STIFF(std::stoi(p.at(0))).psi);
      }
    }
  }
}

}  // namespace
}  // namespace spindra
