#include "app/model/store.h"

namespace spindra {

int NEW_SYSTEM() {
  NMASS = 0;
  NSTIF = 0;
  NENG = 0;
  IENG = 0;
  ICYL = 0;
  BLANK_MASS = NODE{};
  MASSES.fill(BLANK_MASS);
  BLANK_STIFF = STIFFNESS{};
  STIFF.fill(BLANK_STIFF);
  const ENGINE blank_engine{};
  ENGS.fill(blank_engine);
  CRE_ENGS = blank_engine;
  for (auto& name : NAMES_NL) name.blank();
  NAMES_NL(0) = "Linear";
  ORDMIN = 1.0;
  ORDMAX = 6.0;
  ORDSTEP = 1.0;
  forced_sweep = ForcedSweep{};
  TRANSIENT_CASES.fill(TransientCase{});
  NTRANS = 0;
  NTRANS_POINTS = 0;
  LOAD_CASES.fill(LoadCase{});
  NCASES = 0;
  AMASS_IN = DAMPEX_IN = ASTIF_IN = DAMPIN_IN = DIA_IN = 0.0;
  AMASS_MOD = DAMPEX_MOD = ASTIF_MOD = DAMPIN_MOD = DIA_MOD = 0.0;
  CONV_I = CONV_S = 1.0;
  SCALE_MODE = 1.0;
  IVALID = 0;
  TITLE.blank();
  for (auto& f : FREQS) f.blank();
  return 2;
}

void set_unit_texts() {
  if (IUNIT_INERT == 1) UNITS(1) = "kg.m^2";
  if (IUNIT_INERT == 2) UNITS(1) = "T.m^2";
  if (IUNIT_STIFF == 1) UNITS(2) = "N.m/rad";
  if (IUNIT_STIFF == 2) UNITS(2) = "MN.m/rad";
}

void initialise_store() {
  for (auto& f : FREQS) f.blank();
  SCALE_MODE = 1.0;
  NEW_SYSTEM();
  IORTHO_MODE = 1;
  ISNAP_MODE = 1;
  SNAP_SIZE = 5.0;
  IUNIT_INERT = 1;
  IUNIT_STIFF = 1;
  ORDMIN = 1.0;
  ORDMAX = 6.0;
  ORDSTEP = 1.0;
  NMASS = NSTIF = 0;
  CONV_I = CONV_S = 1.0;
  AMASS_IN = DAMPEX_IN = 0.0;
  TITLE.blank();
  set_unit_texts();
  IVALID = 0;
  INODE_CREATE = ISTIF_CREATE = ISTIF_CREATE_GROUND = IENGI_CREATE = 0;
  INODE_MODIFY = ISTIF_MODIFY = ISTIF_MODIFY_GROUND = IENGI_MODIFY = 0;
  INODE_DELETE = INODE_MOVE = 0;
  NSELECT = 0;
  NODE_LIST.fill(0);
  ILAST_VALID = 0;
  RX_LAST = RY_LAST = 0.0;
  REASON.blank();
  FILIN.blank();
  FILOUT.blank();
  BANNER = "Harbrook - Kelvo Version 1.0";
  ICURRENT_FREQ = 0;
  IFREQS.fill(0);
  EIGS.fill(0.0);
  EVEC.fill(0.0);
  TRQ.fill(0.0);
  TWIST.fill(0.0);
  IENG = ICYL = 0;
  ISTRK2 = ISTRK4 = 0;
  JGREY.fill(0);
  for (auto& t : CYLNO) t.blank();
  for (auto& t : FIRANG1) t.blank();
  for (auto& t : FIRANG2) t.blank();
}

}  // namespace spindra
