// The transient-response report MODEL.trn (132 columns, in the list file's
// style) and the CSV of the sampled history.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "analysis/forced_response.h"
#include "analysis/frequency_analysis.h"
#include "analysis/list_file.h"
#include "analysis/report_page.h"
#include "analysis/transient.h"
#include "app/model/calndr.h"
#include "app/model/model_file.h"
#include "app/model/store.h"

namespace spindra {

namespace {

class Report : public ReportPage {
 public:
  explicit Report(ListFile& out) : ReportPage(out, " - Transient Response - Ver 1.0", 11) {}
};

// A real in 12 characters with 5 significant figures, for values of any size.
std::string g12(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%12.5g", v);
  return buf;
}

void write_case(Report& r, const TransientInfo& info) {
  const TransientCase& c = info.data;
  r.line().text(" Case").i(info.case_number, 4).text("  ").text(c.name.view());
  r.line().text("  kind ").text(transient_kind_word(c.kind));
  r.end();
  r.empty();
  switch (c.kind) {
    case kTransientRunup:
      r.line().text(" Run-up from").f(c.n_start, 10, 1).text(" to").f(c.n_end, 10, 1);
      r.line().text(" rev/min in").text(g12(c.duration)).text(" s");
      r.end();
      r.line().text("   the engines' gas and inertia torques of the forced excitation at the");
      r.line().text(" instantaneous speed, crank angle integrated from it");
      r.end();
      break;
    case kTransientShortCircuit3:
    case kTransientShortCircuit2:
      r.line().text(c.kind == kTransientShortCircuit3 ? " Three-phase" : " Two-phase");
      r.line().text(" short circuit of the generator on inertia").i(c.inertia, 4);
      r.line().text("   rated torque").text(g12(c.t_n)).text(" N.m   line frequency");
      r.line().f(c.f_line, 8, 2).text(" Hz");
      r.end();
      r.line()
          .text("   xd''")
          .f(c.xd2, 8, 4)
          .text("   xd'")
          .f(c.xd1, 8, 4)
          .text("   xd")
          .f(c.xd, 8, 4);
      r.line().text("   Td''").text(g12(c.td2)).text(" s   Td'").text(g12(c.td1));
      r.line().text(" s   Ta").text(g12(c.ta)).text(" s");
      r.end();
      break;
    case kTransientIce:
      r.line().text(" Ice milling on the propeller, inertia").i(c.inertia, 4).text(":");
      r.line().i(c.blades, 3).text(" blades at").f(c.n_prop, 9, 2).text(" rev/min");
      r.end();
      r.line().text("   qmax").text(g12(c.qmax)).text(" N.m   cq").f(c.cq, 6, 3).text("   alpha");
      r.line().f(c.alpha, 7, 1).text(" deg   ice thickness").f(c.h_ice, 7, 3).text(" m");
      r.end();
      r.line().text("   sequence of").f(2.0 * c.h_ice, 8, 3);
      r.line().text(" propeller revolutions, ramps of 270 deg at its start and end");
      r.end();
      break;
    case kTransientStep:
      r.line().text(" Torque step of").text(g12(c.torque0)).text(" N.m on inertia").i(c.inertia, 4);
      r.line().text(" from").text(g12(c.t0)).text(" s");
      r.end();
      break;
    case kTransientTable:
      r.line().text(" Torque table of").i(c.npoint, 7).text(" points on inertia").i(c.inertia, 4);
      r.line().text(", linear between the points, 0 outside them");
      r.end();
      break;
    default:
      break;
  }
  r.empty();
  r.line().text(" Duration    ").text(g12(c.duration)).text(" s");
  r.end();
  r.line().text(" Time step   ").text(g12(info.dt)).text(" s  (").text(std::to_string(info.steps));
  r.line().text(info.step_given != 0 ? " steps, the case's own step)"
                                     : " steps, the default step)");
  r.end();
  r.line().text(" Highest natural frequency resolved").text(g12(info.resolved_hz));
  r.line().text(" Hz: period error (omega dt)^2/12 =").text(g12(info.period_error));
  r.end();
  r.line().text(" Damping made viscous at omega_d = 2 pi x").text(g12(info.damping_hz));
  r.line().text(" Hz (loss factor").f(info.eta, 8, 4).text(")");
  r.end();
  if (info.has_psi != 0) {
    r.line().text(" The couplings' relative damping psi is made viscous there too:");
    r.line().text(" c = psi / (2 pi) x k / omega_d");
    r.end();
  }
  if (info.free_system != 0) {
    r.line().text(" The system has no stiffness to ground: angles are relative to the rigid");
    r.line().text(" rotation of the whole");
    r.end();
  }
}

void write_shafts(Report& r, const TransientInfo& info) {
  const bool runup = info.data.kind == kTransientRunup;
  r.room(8);
  r.empty();
  r.line().text(" Largest elastic torques and stresses over the run");
  r.end();
  r.empty();
  r.line().text("Stiffness  Stiffness         Max torque     Time      Speed   Max stress");
  r.line().text("     Tau1      Tau2   Ratio");
  r.end();
  r.line().text(" Number     Descrip              kN.m        s         rpm        MPa  ");
  r.line().text("      MPa       MPa");
  r.end();
  r.empty();
  for (int32_t s = 1; s <= NSTIF; ++s) {
    r.room(1);
    const TransientPeak torque = transient_peak(ForcedKind::kTorque, s);
    r.line().i(s, 5).blanks(6).text(STIFF(s).name.view());
    r.line().f(torque.value / 1000.0, 12, 3).text(g12(torque.time).substr(1));
    if (runup) {
      r.line().f(torque.speed, 10, 1);
    } else {
      r.line().blanks(10);
    }
    if (STIFF(s).diam > 0.0) {
      const TransientPeak stress = transient_peak(ForcedKind::kStress, s);
      r.line().f(stress.value, 13, 3);
      if (forced_shaft_has_limits(s) != 0) {
        double tau1 = 0.0, tau2 = 0.0;
        transient_shaft_limits(s, &tau1, &tau2);
        r.line().f(tau1, 10, 2);
        if (tau2 > 0.0) {
          r.line().f(tau2, 10, 2).f(stress.value / tau2, 8, 3).text(" to Tau2");
        } else if (tau1 > 0.0) {
          r.line().blanks(10).f(stress.value / tau1, 8, 3).text(" to Tau1");
        }
      }
    }
    r.line().pad_to(132);
    r.end();
  }
}

void write_inertias(Report& r) {
  r.room(7);
  r.empty();
  r.line().text(" Largest vibratory angles over the run");
  r.end();
  r.empty();
  r.line().text("Inertia    Inertia             Max angle       Time");
  r.end();
  r.line().text(" Number    Descrip               rad          s");
  r.end();
  r.empty();
  for (int32_t j = 1; j <= NMASS; ++j) {
    r.room(1);
    const TransientPeak p = transient_peak(ForcedKind::kAngle, j);
    r.line().i(j, 5).blanks(5).text(MASSES(j).name.view()).text(g12(p.value)).text(g12(p.time));
    r.end();
  }
}

void write_barred(Report& r, const TransientInfo& info) {
  if (info.data.kind != kTransientRunup) return;
  r.room(5);
  r.empty();
  r.line().text(" Time spent in the barred speed ranges of the forced response");
  r.end();
  TransientBarred ranges[256];
  const int32_t n = transient_barred_ranges(ranges, 256);
  if (n < 0) {
    r.line().text("   not known: ").text(transient_notes());
    r.end();
    return;
  }
  if (n == 0) {
    r.line().text("   none");
    r.end();
  }
  for (int32_t i = 0; i < n && i < 256; ++i) {
    r.room(1);
    const TransientBarred& b = ranges[i];
    r.line().i(b.shaft, 5).blanks(6).text(STIFF(b.shaft).name.view());
    r.line()
        .f(b.from, 12, 1)
        .text(" to")
        .f(b.to, 10, 1)
        .text(" rpm")
        .text(g12(b.seconds))
        .text(" s");
    r.end();
  }
}

}  // namespace

std::string transient_report_name() {
  return report_file_name("trn");
}

bool write_transient_report(std::string* message) {
  if (transient_results_valid() == 0) {
    if (message != nullptr) *message = "There are no transient results to report.";
    return false;
  }
  const std::string path = transient_report_name();
  ListFile out;
  if (!open_report(out, path, message)) return false;
  const TransientInfo info = transient_info();
  Report r(out);
  CALNDR(r.date_, r.time_);
  r.heading();
  write_case(r, info);
  write_shafts(r, info);
  write_inertias(r);
  write_barred(r, info);
  return close_report(out, path, message);
}

bool write_transient_csv(const std::string& path, std::string* message) {
  if (transient_results_valid() == 0) {
    if (message != nullptr) *message = "There are no transient results to write.";
    return false;
  }
  std::FILE* file = open_csv(path, message);
  if (file == nullptr) return false;
  std::string head = "time_s,speed_rpm";
  for (int32_t s = 1; s <= NSTIF; ++s) head += ",torque_" + std::to_string(s);
  for (int32_t j = 1; j <= NMASS; ++j) head += ",angle_" + std::to_string(j);
  head += '\n';
  std::fputs(head.c_str(), file);
  for (int32_t i = 0; i <= transient_sample_count(); ++i) {
    std::fprintf(file, "%.10g,%.10g", transient_sample_time(i), transient_sample_speed(i));
    for (int32_t s = 1; s <= NSTIF; ++s)
      std::fprintf(file, ",%.10g", transient_value(ForcedKind::kTorque, s, i));
    for (int32_t j = 1; j <= NMASS; ++j)
      std::fprintf(file, ",%.10g", transient_value(ForcedKind::kAngle, j, i));
    std::fputc('\n', file);
  }
  return close_csv(file, path, message);
}

}  // namespace spindra
