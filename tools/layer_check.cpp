// The layer check: reads the table of layers and their allowed edges from
// docs/architecture.md, then every #include of every source file in the tree,
// and reports each include that crosses from one layer into another the table
// does not allow.  Exit status 0 when there is none, 1 otherwise.
//
//   spindra-layer-check SOURCE_ROOT
//
// A table row is "| layer | `folder/`, `file`... | allowed layer, ... |"; the
// longest folder or file that begins a path gives its layer.  "any" allows
// every layer but the toolkit, "Qt" allows the toolkit's headers (<Q...>).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Layer {
  std::string name;
  std::set<std::string> allowed;
};

std::string trim(std::string s) {
  const auto b = s.find_first_not_of(" \t");
  const auto e = s.find_last_not_of(" \t");
  return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::string part;
  for (char c : s) {
    if (c == sep) {
      out.push_back(trim(part));
      part.clear();
    } else {
      part += c;
    }
  }
  out.push_back(trim(part));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: spindra-layer-check SOURCE_ROOT\n");
    return 2;
  }
  const fs::path root = argv[1];
  std::ifstream doc(root / "docs" / "architecture.md");
  std::map<std::string, Layer> layers;      // by name
  std::map<std::string, std::string> owner;  // folder or file -> layer name
  bool in_table = false;
  for (std::string line; std::getline(doc, line);) {
    if (line.rfind("| layer |", 0) == 0) {
      in_table = true;
      continue;
    }
    if (!in_table) continue;
    if (line.empty() || line[0] != '|') break;
    const auto cells = split(line.substr(1, line.size() - 2), '|');
    if (cells.size() != 3 || cells[0].rfind("---", 0) == 0) continue;
    Layer layer{cells[0], {}};
    for (const auto& a : split(cells[2], ',')) {
      if (!a.empty() && a != "none") layer.allowed.insert(a);
    }
    for (auto f : split(cells[1], ',')) {
      f.erase(std::remove(f.begin(), f.end(), '`'), f.end());
      owner[f] = layer.name;
    }
    layers[layer.name] = layer;
  }
  if (layers.empty()) {
    std::fprintf(stderr, "docs/architecture.md: no table of layers found\n");
    return 2;
  }

  const auto layer_of = [&](const std::string& path) -> std::string {
    std::string best, name;
    for (const auto& [prefix, layer] : owner) {
      if (path.rfind(prefix, 0) == 0 && prefix.size() > best.size()) {
        best = prefix;
        name = layer;
      }
    }
    return name;
  };

  const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  int faults = 0, files = 0, edges = 0;
  for (const char* top : {"app", "analysis", "graphics", "platform", "text", "tests", "bench",
                          "tools"}) {
    if (!fs::exists(root / top)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
      const auto ext = entry.path().extension();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      const std::string path = fs::relative(entry.path(), root).generic_string();
      const std::string from = layer_of(path);
      if (from.empty()) {
        std::printf("%s: in no layer of docs/architecture.md\n", path.c_str());
        ++faults;
        continue;
      }
      ++files;
      const Layer& layer = layers[from];
      std::ifstream in(entry.path());
      int number = 0;
      for (std::string line; std::getline(in, line);) {
        ++number;
        std::smatch m;
        if (!std::regex_search(line, m, include)) continue;
        const std::string target = m[2];
        std::string to;
        if (m[1] == "<") {
          if (target.empty() || target[0] != 'Q') continue;  // the standard library and others
          to = "Qt";
        } else if (target.find('/') == std::string::npos) {
          continue;  // a header beside the file
        } else {
          to = layer_of(target);
          if (to.empty()) to = "an unknown folder (" + target + ")";
        }
        ++edges;
        if (to == from || layer.allowed.count(to) ||
            (layer.allowed.count("any") && to != "Qt"))
          continue;
        std::printf("%s:%d: %s includes %s: %s may not use %s\n", path.c_str(), number,
                    from.c_str(), target.c_str(), from.c_str(), to.c_str());
        ++faults;
      }
    }
  }
  std::printf("%d files, %d includes checked: %d not allowed by the layer table\n", files, edges,
              faults);
  return faults == 0 ? 0 : 1;
}
