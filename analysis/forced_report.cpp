// The forced-response report MODEL.frc (132 columns, in the list file's
// style) and the CSV of every amplitude.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/check_messages.h"
#include "analysis/forced_response.h"
#include "analysis/frequency_analysis.h"
#include "analysis/list_file.h"
#include "analysis/report_page.h"
#include "analysis/verdict.h"
#include "app/model/calndr.h"
#include "app/model/model_file.h"
#include "app/model/store.h"

namespace spindra {

namespace {

// The report's pages name the model file, the program and the part in hand
// under the date and time.
class Report : public ReportPage {
 public:
  explicit Report(ListFile& out) : ReportPage(out, " - Forced Damped Response - Ver 1.0", 8) {}

  // Writes `text` from column `indent` + 1 on, broken at blanks to fit
  // the 132 columns.
  void wrapped(int indent, std::string_view text) {
    while (!text.empty()) {
      const std::size_t width = static_cast<std::size_t>(131 - indent);
      std::size_t cut = text.size();
      if (cut > width) {
        cut = text.rfind(' ', width);
        if (cut == std::string_view::npos || cut == 0) cut = width;
      }
      room(1);
      line().blanks(indent).text(text.substr(0, cut));
      end();
      text.remove_prefix(cut);
      while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
      indent += indent < 20 ? 4 : 0;  // continuation lines stand in
    }
  }

  std::string model_;
  std::string part_;  // what the part is: its case and misfire

 protected:
  int more_heading() override {
    out().text(" Model file: ").text(model_).text("   Program: ").text(forced_program_text());
    out().end_line();
    if (!part_.empty()) out().text(" ").text(part_);
    out().end_line();
    return 2;
  }
};

std::string engine_name(int k) {
  return ENGS(k).name.is_blank() ? std::string() : " (" + ENGS(k).name.str() + ")";
}

void write_data(Report& r) {
  const ForcedSweep& w = forced_sweep;
  const LoadCase c = forced_last_case();
  double op_from = 0.0, op_to = 0.0;
  forced_operating_range(&op_from, &op_to);
  r.line().text(" Load case       ").text(c.name.trimmed());
  r.end();
  r.line().text(" Speed sweep     ").f(c.n_from, 10, 2).text(" to").f(c.n_to, 10, 2);
  r.line().text(" rev/min in steps of").f(c.n_step, 9, 2).text(" rev/min (");
  r.line().text(std::to_string(forced_speed_count())).text(" speeds)");
  r.end();
  r.line().text(" Rated speed     ").f(w.n_rated, 10, 2).text(" rev/min     Operating range");
  r.line().f(op_from, 10, 2).text(" to").f(op_to, 10, 2);
  r.line().text(NCASES > 0 ? " rev/min" : " rev/min (up to 1.05 x rated)");
  r.end();
  if (NCASES > 0) {
    r.line().text(" Load            ").f(c.load_factor, 10, 4).text(" x rated mean pressure x (N / N rated) ^");
    r.line().f(c.load_exp, 5, 2).text(" for every engine");
    r.end();
  }
  r.line().text(" Loss factor     ").f(w.eta, 10, 4);
  r.end();
  const ForcedRequest misfire = forced_last_request();
  r.line().text(" Misfire          ");
  if (misfire.misfire_engine == 0) {
    r.line().text("none");
  } else {
    r.line().text("engine ").i(misfire.misfire_engine, 1).text(", cylinder ");
    r.line().i(misfire.misfire_cylinder, 1).text(": no gas torque, inertia torque kept");
  }
  r.end();
  for (int k = 1; k <= NENG; ++k) {
    const ENGINE& e = ENGS(k);
    if (e.ncyl <= 0) continue;
    const Excitation& x = e.excitation;
    r.room(7);
    r.empty();
    r.line().text(" Engine").i(k, 3).text(engine_name(k)).text(":");
    r.line().i(e.ncyl * (e.ivee_engine == 1 ? 2 : 1), 3).text(" cylinders, ");
    r.line().i(e.nstroke, 1).text("-stroke");
    bool left_out = false;
    int32_t list[kMaxEngines];
    const int32_t n = forced_engines_left_out(list, kMaxEngines);
    for (int32_t i = 0; i < n; ++i) left_out = left_out || list[i] == k;
    if (left_out) {
      r.line().text("; no excitation data, left out");
      r.end();
      continue;
    }
    r.end();
    r.line()
        .text("   Bore")
        .f(x.bore * 1000.0, 9, 1)
        .text(" mm   Stroke")
        .f(x.stroke * 1000.0, 9, 1);
    r.line().text(" mm   Rod").f(x.conrod * 1000.0, 9, 1).text(" mm   Recip. mass");
    r.line().f(x.recip_mass, 9, 2).text(" kg");
    r.end();
    r.line().text("   Rated mean indicated pressure").f(x.p_rated, 8, 2);
    r.line().text(" bar   Load law (N / N rated) ^").f(x.load_exp, 5, 2);
    r.end();
    r.line().text("      Order     a bar     b       Phase deg");
    r.end();
    for (int h = 1; h <= x.nharm; ++h) {
      r.room(1);
      const Harmonic& g = x.harm(h);
      r.line().f(g.order, 11, 1).f(g.a, 10, 4).f(g.b, 10, 5).f(g.phase, 10, 2);
      r.end();
    }
  }
  r.room(4);
  r.empty();
  r.line().text(" Shaft limits: tensile strength and factor ck");
  r.end();
  bool any = false;
  for (int s = 1; s <= NSTIF; ++s) {
    if (forced_shaft_has_limits(s) == 0) continue;
    any = true;
    r.room(1);
    r.line().i(s, 7).blanks(2).text(STIFF(s).name.view()).f(STIFF(s).diam * 1000.0, 9, 2);
    r.line().text(" mm  UTS").f(STIFF(s).uts, 8, 1).text(" MPa  ck").f(STIFF(s).ck, 6, 2);
    r.end();
  }
  if (!any) {
    r.line().text("   none: no stress is judged");
    r.end();
  }
  bool makers = false;
  for (int s = 1; s <= NSTIF; ++s) makers = makers || STIFF(s).limit_kind != kLimitNone;
  if (!makers) return;
  r.room(3);
  r.empty();
  r.line().text(" Maker's limits");
  r.end();
  for (int s = 1; s <= NSTIF; ++s) {
    const STIFFNESS& k = STIFF(s);
    if (k.limit_kind == kLimitNone) continue;
    r.room(1);
    r.line().i(s, 7).blanks(2).text(k.name.view());
    if (k.limit_kind == kLimitStress) {
      r.line().text("  stress: continuous").f(k.limit_v1, 9, 2).text(" MPa, barred range");
      r.line().f(k.limit_v2, 9, 2).text(" MPa");
    } else {
      r.line().text("  coupling: T_KW").f(k.limit_v1, 12, 1).text(" N.m, P_KV").f(k.limit_v2, 10, 1);
      r.line().text(" W, T_Kmax").f(k.limit_v3, 12, 1).text(" N.m");
    }
    r.end();
  }
}

void write_shaft_table(Report& r) {
  double op_from = 0.0, op_to = 0.0;
  forced_operating_range(&op_from, &op_to);
  r.heading();
  r.line().text(" Synthesized vibratory stress (half range, all orders in phase)");
  r.end();
  r.empty();
  r.line().text("Stiffness  Stiffness        Shaft Dia.  Max stress   Speed   Max in oper.  Speed");
  r.line().text("   Tau1      Tau2    Ratio   Max torque  Speed");
  r.end();
  r.line().text(" Number     Descrip             mm         MPa        rpm        MPa       rpm ");
  r.line().text("    MPa       MPa    to Tau1     kN.m      rpm");
  r.end();
  r.empty();
  for (int s = 1; s <= NSTIF; ++s) {
    if (forced_rigid_mesh(s) != 0) continue;  // no twist, no stress
    r.room(1);
    r.line().i(s, 5).blanks(6).text(STIFF(s).name.view());
    const ForcedPeak torque = forced_peak(ForcedKind::kTorque, s, 0, -1e300, 1e300);
    if (STIFF(s).diam > 0.0) {
      const ForcedPeak all = forced_peak(ForcedKind::kStress, s, 0, -1e300, 1e300);
      const ForcedPeak oper = forced_peak(ForcedKind::kStress, s, 0, op_from, op_to);
      r.line().f(STIFF(s).diam * 1000.0, 11, 2).f(all.value, 12, 3).f(all.speed, 10, 1);
      if (oper.s != 0) {
        r.line().f(oper.value, 12, 3).f(oper.speed, 10, 1);
      } else {
        r.line().blanks(22);
      }
      if (forced_shaft_has_limits(s) != 0 && oper.s != 0) {
        double tau1 = 0.0, tau2 = 0.0;
        forced_shaft_limits(s, oper.speed, &tau1, &tau2);
        r.line().f(tau1, 10, 2);
        if (tau2 > 0.0) {
          r.line().f(tau2, 10, 2);
        } else {
          r.line().blanks(10);
        }
        if (tau1 > 0.0) {
          r.line().f(oper.value / tau1, 9, 3);
        } else {
          r.line().blanks(9);
        }
      } else {
        r.line().blanks(29);
      }
    } else {
      r.line().blanks(11 + 22 + 22 + 29);
    }
    r.line().f(torque.value / 1000.0, 12, 3).f(torque.speed, 9, 1);
    r.line().pad_to(132);
    r.end();
  }
}

void write_barred_ranges(Report& r) {
  r.room(5);
  r.empty();
  r.line().text(" Barred speed ranges (above Tau1 or T_KW, widened around the critical speeds)");
  r.end();
  bool any_limits = false, any = false;
  for (int s = 1; s <= NSTIF; ++s) {
    if (forced_shaft_has_limits(s) == 0 && STIFF(s).limit_kind != kLimitCoupling) continue;
    any_limits = true;
    BarredRange ranges[64];
    const int32_t n = forced_barred_ranges(s, ranges, 64);
    for (int32_t i = 0; i < n && i < 64; ++i) {
      any = true;
      r.room(1);
      r.line().i(s, 5).blanks(6).text(STIFF(s).name.view());
      r.line().f(ranges[i].from, 12, 1).text(" to").f(ranges[i].to, 10, 1).text(" rpm");
      if (ranges[i].above_08 != 0)
        r.line().text("   reaches above 0.8 x rated speed: not permitted");
      r.end();
    }
  }
  if (!any_limits) {
    r.line().text("   no stiffness has limits");
    r.end();
  } else if (!any) {
    r.line().text("   none");
    r.end();
  }
}

void write_order_tables(Report& r) {
  const int no = forced_order_count();
  for (int s = 1; s <= NSTIF; ++s) {
    if (forced_rigid_mesh(s) != 0) continue;
    const bool stress = STIFF(s).diam > 0.0;
    r.room(no + 5);
    r.empty();
    r.line().text(" Stiffness").i(s, 4).blanks(2).text(STIFF(s).name.view());
    r.line().text("   largest amplitude of each order");
    r.end();
    r.line().blanks(10).text("   Order   Torque     Speed");
    if (stress) r.line().text("     Stress");
    r.end();
    r.line().blanks(10).text("            kN.m       rpm");
    if (stress) r.line().text("       MPa");
    r.end();
    for (int o = 0; o <= no; ++o) {
      const int oo = o == no ? 0 : o + 1;
      const ForcedPeak t = forced_peak(ForcedKind::kTorque, s, oo, -1e300, 1e300);
      r.line().blanks(10);
      if (oo == 0) {
        r.line().text("   synth");
      } else {
        r.line().f(forced_order(oo), 8, 1);
      }
      r.line().f(t.value / 1000.0, 10, 3).f(t.speed, 10, 1);
      if (stress) r.line().f(forced_amplitude(ForcedKind::kStress, s, t.s, oo), 11, 3);
      r.end();
    }
  }
}

// One line per stiffness: the kind of its limits and the verdict.
void write_verdicts(Report& r) {
  r.room(5);
  r.empty();
  r.line().text(" Verdict per stiffness");
  r.end();
  const double judged_to = judged_speed_limit();
  double op_from = 0.0, op_to = 0.0;
  forced_operating_range(&op_from, &op_to);
  if (forced_last_case().oper_to > judged_to * (1.0 + 1e-12)) {
    r.line().text("   Above 1.05 x rated speed (").text(number(judged_to));
    r.line().text(" rev/min) nothing is assessed.");
    r.end();
  }
  for (int k = 1; k <= NSTIF; ++k) {
    const StiffnessVerdict v = judge_stiffness(k);
    std::string head = std::to_string(k);
    head.insert(0, head.size() < 5 ? 5 - head.size() : 0, ' ');
    head += "  " + std::string(STIFF(k).name.view());
    const std::string kind = limit_kind_text(k);
    head += "  " + (kind.empty() ? std::string() : kind + ": ") + verdict_text(v);
    r.wrapped(0, head);
  }
}

// The verdict of one run over every stiffness.
void write_design_verdict(Report& r, const std::string& heading, const DesignVerdict& d) {
  r.room(4);
  r.empty();
  r.line().text(" ").text(heading);
  r.end();
  if (d.acceptable) {
    r.wrapped(3, "The design is acceptable");
  } else {
    r.wrapped(3, "The design is not acceptable:");
    for (const std::string& reason : d.reasons) r.wrapped(5, reason);
  }
  if (!d.not_assessed.empty()) {
    std::string list = "not assessed:";
    for (std::size_t i = 0; i < d.not_assessed.size(); ++i) {
      const int32_t k = d.not_assessed[i];
      list += (i == 0 ? " stiffness " : ", ") + std::to_string(k);
      if (!STIFF(k).name.is_blank()) list += " (" + STIFF(k).name.str() + ")";
    }
    r.wrapped(3, list + " (no limits)");
  }
}

// A part of the report: one run.
void write_part(Report& r, const DesignVerdict& d) {
  r.part_ = forced_run_title();
  r.heading();
  write_data(r);
  write_shaft_table(r);
  write_barred_ranges(r);
  write_verdicts(r);
  write_design_verdict(r, forced_run_title() + ": verdict", d);
  write_order_tables(r);
}

// Whether the last run's misfire is other than its case's own.
bool misfire_of_its_own(const ForcedRequest& run) {
  const LoadCase c = forced_case(run.load_case == 0 ? 1 : run.load_case);
  return run.misfire_engine != c.misfire_engine ||
         (run.misfire_engine != 0 && run.misfire_cylinder != c.misfire_cylinder);
}

// The report of every case of the model and of the runs `extra` (each a
// part of its own), with the verdict over all of them.  The results of the
// last run are set aside meanwhile and come back.
bool write_report(const std::vector<ForcedRequest>& extra, std::string* message) {
  const std::string path = forced_report_name();
  ListFile out;
  if (!open_report(out, path, message)) return false;
  Report r(out);
  CALNDR(r.date_, r.time_);
  r.model_ = FILIN.is_blank() ? "Unnamed" : std::string(FILIN.trimmed());
  std::vector<ForcedRequest> parts;
  for (int32_t c = 1; c <= forced_case_count(); ++c) parts.push_back(ForcedRequest{0, 0, c});
  for (const ForcedRequest& e : extra) parts.push_back(e);
  DesignVerdict overall;
  overall.acceptable = true;
  std::vector<int32_t> not_assessed;
  // The run already made is not made again.
  const ForcedRequest kept = forced_last_request();
  const auto same = [&kept](const ForcedRequest& part) {
    const int32_t c = part.load_case == 0 ? 1 : part.load_case;
    const LoadCase own = forced_case(c);
    const int32_t engine = part.misfire_engine != 0 ? part.misfire_engine : own.misfire_engine;
    const int32_t cylinder =
        part.misfire_engine != 0 ? part.misfire_cylinder : (engine != 0 ? own.misfire_cylinder : 0);
    return c == kept.load_case && engine == kept.misfire_engine &&
           cylinder == kept.misfire_cylinder;
  };
  const bool had_results = forced_results_valid() != 0;
  forced_set_run_aside();
  for (const ForcedRequest& part : parts) {
    std::string why;
    const std::string name = forced_case(part.load_case).name.str();
    const bool reuse = had_results && same(part);
    if (reuse) forced_take_run_back();
    const bool ran = reuse || run_forced_response(part, &why);
    if (ran) {
      const DesignVerdict d = judge_design();
      write_part(r, d);
      if (!d.acceptable) overall.acceptable = false;
      for (const std::string& reason : d.reasons)
        overall.reasons.push_back(forced_run_title() + ": " + reason);
      for (int32_t k : d.not_assessed)
        if (std::find(not_assessed.begin(), not_assessed.end(), k) == not_assessed.end())
          not_assessed.push_back(k);
    }
    if (reuse) forced_set_run_aside();
    if (!ran) {
      r.part_ = "Load case " + name;
      r.heading();
      r.wrapped(1, "Load case " + name + " could not be calculated: " + why);
      overall.acceptable = false;
      overall.reasons.push_back("load case " + name + " could not be calculated");
    }
  }
  forced_take_run_back();
  std::sort(not_assessed.begin(), not_assessed.end());
  overall.not_assessed = not_assessed;
  r.part_ = "All load cases";
  r.room(6);
  write_design_verdict(r, "Verdict over all load cases", overall);
  return close_report(out, path, message);
}

// The CSV rows of the last run, with the case's name first when `with_case`.
void write_rows(std::FILE* file, bool with_case) {
  const int no = forced_order_count();
  std::vector<std::string> order_text;
  for (int o = 0; o <= no; ++o) order_text.push_back(forced_order_text(o == no ? 0 : o + 1));
  std::string name;
  if (with_case) {
    // A name with a comma or a quote is quoted as CSV quotes it.
    name = forced_last_case().name.str();
    if (name.find_first_of(",\"") != std::string::npos) {
      std::string q = "\"";
      for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
      name = q + "\"";
    }
    name += ',';
  }
  const auto rows = [&](double speed, int s, const char* kind, ForcedKind k, int number) {
    for (int o = 0; o <= no; ++o) {
      const int oo = o == no ? 0 : o + 1;
      std::fprintf(file, "%s%.10g,%s,%d,%s,%.10g\n", name.c_str(), speed, kind, number,
                   order_text[static_cast<std::size_t>(o)].c_str(),
                   forced_amplitude(k, number, s, oo));
    }
  };
  for (int s = 1; s <= forced_speed_count(); ++s) {
    const double n = forced_speed(s);
    for (int j = 1; j <= NMASS; ++j) rows(n, s, "angle", ForcedKind::kAngle, j);
    // A rigid gear mesh has no twist: no rows.
    for (int k = 1; k <= NSTIF; ++k)
      if (forced_rigid_mesh(k) == 0) rows(n, s, "torque", ForcedKind::kTorque, k);
    for (int k = 1; k <= NSTIF; ++k)
      if (STIFF(k).diam > 0.0 && forced_rigid_mesh(k) == 0)
        rows(n, s, "stress", ForcedKind::kStress, k);
  }
}

}  // namespace

std::string forced_report_name() {
  return report_file_name("frc");
}

bool write_forced_report(std::string* message) {
  if (forced_results_valid() == 0) {
    if (message != nullptr) *message = "There are no forced-response results to report.";
    return false;
  }
  std::vector<ForcedRequest> extra;
  const ForcedRequest last = forced_last_request();
  if (misfire_of_its_own(last)) extra.push_back(last);
  return write_report(extra, message);
}

bool write_forced_csv(const std::string& path, std::string* message) {
  if (forced_results_valid() == 0) {
    if (message != nullptr) *message = "There are no forced-response results to write.";
    return false;
  }
  std::FILE* file = open_csv(path, message);
  if (file == nullptr) return false;
  std::fputs("speed_rpm,kind,number,order,amplitude\n", file);
  write_rows(file, false);
  return close_csv(file, path, message);
}

bool write_forced_runs(const std::string& path, const std::vector<ForcedRequest>& requests,
                       std::string* message) {
  const bool with_case = NCASES > 0;
  std::FILE* file = nullptr;
  std::vector<ForcedRequest> extra;
  std::string notes;
  for (const ForcedRequest& request : requests) {
    std::string note;
    if (!run_forced_response(request, &note)) {
      if (file != nullptr) std::fclose(file);
      if (message != nullptr) *message = note;
      return false;
    }
    if (notes.empty()) notes = note;
    if (file == nullptr) {
      file = open_csv(path, message);
      if (file == nullptr) return false;
      std::fputs(with_case ? "case,speed_rpm,kind,number,order,amplitude\n"
                           : "speed_rpm,kind,number,order,amplitude\n",
                 file);
    }
    write_rows(file, with_case);
    if (misfire_of_its_own(forced_last_request())) extra.push_back(forced_last_request());
  }
  if (file == nullptr) {
    if (message != nullptr) *message = "There is no load case to run.";
    return false;
  }
  if (!close_csv(file, path, message)) return false;
  if (!write_report(extra, message)) return false;
  if (message != nullptr) *message = notes;
  return true;
}

}  // namespace spindra
