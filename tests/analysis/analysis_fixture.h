// Shared set-up of the analysis tests: a fresh store, a fixed clock, a
// scratch folder for list files, and small model builders.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <Eigen/Eigenvalues>

#include "app/model/calndr.h"
#include "app/model/store.h"

namespace spindra::testing {

inline CalendarTime fixed_time() {
  return {6, 12, 2026, 14, 5, 9};
}

// The modes of the model in the store from an independent symmetric
// generalized eigensolver: K x = lambda M x with K and M built from STIFF and
// MASSES directly.
inline Eigen::GeneralizedSelfAdjointEigenSolver<Eigen::MatrixXd> independent_modes() {
  const int n = NMASS;
  Eigen::MatrixXd K = Eigen::MatrixXd::Zero(n, n), M = Eigen::MatrixXd::Zero(n, n);
  for (int s = 1; s <= NSTIF; ++s) {
    const int a = STIFF(s).nodes(1) - 1, b = STIFF(s).nodes(2) - 1;
    const double k = STIFF(s).stiff;
    K(a, a) += k;
    if (b >= 0) {
      K(b, b) += k;
      K(a, b) -= k;
      K(b, a) -= k;
    }
  }
  for (int i = 0; i < n; ++i) M(i, i) = MASSES(i + 1).amass;
  return Eigen::GeneralizedSelfAdjointEigenSolver<Eigen::MatrixXd>(K, M);
}

class AnalysisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    initialise_store();
    calndr_clock = fixed_time;
    dir_ = std::filesystem::temp_directory_path() /
           ("spindra-analysis-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    calndr_clock = nullptr;
    std::filesystem::remove_all(dir_);
  }


  // Names the model file so that the list file lands in the scratch folder.
  std::string use_model_name(const std::string& stem) {
    const std::string path = (dir_ / (stem + ".rtm")).string();
    FILIN = path;
    return (dir_ / (stem + ".lis")).string();
  }

  static std::vector<std::string> read_lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // Builders: inertia j with value m; shaft between a and b (0 = ground).
  static void inertia(int j, double m, const char* name = "") {
    NMASS = std::max(NMASS, j);
    MASSES(j).amass = m;
    MASSES(j).name = name;
  }
  static int shaft(int a, int b, double k, double diam = 0.0, double bore = 0.0,
                   const char* name = "") {
    const int s = ++NSTIF;
    STIFF(s).nodes(1) = a;
    STIFF(s).nodes(2) = b;
    STIFF(s).stiff = k;
    STIFF(s).diam = diam;
    STIFF(s).bore = bore;
    STIFF(s).name = name;
    return s;
  }
  // Engine k with the given firing order; cylinder c on inertia first + c - 1.
  static void engine(int k, const std::vector<int>& order, int nstroke, int first, int vee = 0,
                     double vee_angle = 0.0) {
    NENG = std::max(NENG, k);
    ENGINE& e = ENGS(k);
    e = ENGINE{};
    e.ncyl = static_cast<int>(order.size());
    e.nstroke = nstroke;
    e.ivee_engine = vee;
    e.vee_angle = vee_angle;
    for (int i = 1; i <= e.ncyl; ++i) e.ifirord(i) = order[static_cast<std::size_t>(i - 1)];
    if (first > 0) {
      for (int c = 1; c <= e.ncyl; ++c) {
        MASSES(first + c - 1).icyleng_no(1) = k;
        MASSES(first + c - 1).icyleng_no(2) = c;
      }
    }
  }
  // A chain of n inertias of value m joined by shafts k, inertia 1 grounded.
  static void grounded_chain(int n, double m = 10.0, double k = 1.0e6) {
    for (int j = 1; j <= n; ++j) inertia(j, m);
    shaft(1, 0, k);
    for (int j = 1; j < n; ++j) shaft(j, j + 1, k);
  }

  std::filesystem::path dir_;
};

}  // namespace spindra::testing
