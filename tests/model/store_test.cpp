#include <gtest/gtest.h>

#include "app/model/store.h"

namespace spindra {
namespace {

TEST(Store, StartUpStateIsEmpty) {
  MASSES(5).amass = 3.0;
  STIFF(7).name = "x";
  ENGS(2).ncyl = 4;
  NMASS = 9;
  REASON = "node 3";
  initialise_store();
  EXPECT_EQ(NMASS, 0);
  EXPECT_EQ(NSTIF, 0);
  EXPECT_EQ(NENG, 0);
  for (const auto& m : MASSES) EXPECT_TRUE(m == BLANK_MASS);
  for (const auto& s : STIFF) EXPECT_TRUE(s == BLANK_STIFF);
  for (const auto& e : ENGS) EXPECT_TRUE(e == ENGINE{});
  EXPECT_TRUE(MASSES(1).name.is_blank());
  EXPECT_EQ(UNITS(1).str(), "kg.m^2");
  EXPECT_EQ(UNITS(2).str(), "N.m/rad");
  EXPECT_TRUE(REASON.is_blank());
  EXPECT_TRUE(TITLE.is_blank());
  EXPECT_EQ(NAMES_NL(0).str(), "Linear");
  EXPECT_TRUE(NAMES_NL(1).is_blank());
  EXPECT_EQ(SNAP_SIZE, 5.0);
  EXPECT_EQ(ISNAP_MODE, 1);
  EXPECT_EQ(IORTHO_MODE, 1);
  EXPECT_EQ(ORDMIN, 1.0);
  EXPECT_EQ(ORDMAX, 6.0);
  EXPECT_EQ(ORDSTEP, 1.0);
  EXPECT_EQ(SCALE_MODE, 1.0);
  EXPECT_EQ(IVALID, 0);
  EXPECT_EQ(ICURRENT_FREQ, 0);
  EXPECT_EQ(INODE_CREATE + ISTIF_CREATE + ISTIF_CREATE_GROUND + IENGI_CREATE + INODE_MODIFY +
                ISTIF_MODIFY + ISTIF_MODIFY_GROUND + IENGI_MODIFY,
            0);
  EXPECT_EQ(BANNER.str(), "Harbrook - Kelvo Version 1.0");
}

TEST(Store, NewSystemLeavesUnitsSnapAndModesAlone) {
  initialise_store();
  IUNIT_INERT = 2;
  IUNIT_STIFF = 2;
  set_unit_texts();
  ISNAP_MODE = 0;
  INODE_CREATE = 1;
  NMASS = 4;
  EXPECT_EQ(NEW_SYSTEM(), 2);
  EXPECT_EQ(NMASS, 0);
  EXPECT_EQ(IUNIT_INERT, 2);
  EXPECT_EQ(UNITS(1).str(), "T.m^2");
  EXPECT_EQ(UNITS(2).str(), "MN.m/rad");
  EXPECT_EQ(ISNAP_MODE, 0);
  EXPECT_EQ(INODE_CREATE, 1);
}

TEST(Store, UnitSwitchingChangesOnlyTheTexts) {
  initialise_store();
  MASSES(1).amass = 1234.5;
  STIFF(1).stiff = 2.5e6;
  IUNIT_INERT = 2;
  set_unit_texts();
  EXPECT_EQ(UNITS(1).str(), "T.m^2");
  IUNIT_INERT = 1;
  IUNIT_STIFF = 3;  // not a unit: the text stays
  set_unit_texts();
  EXPECT_EQ(UNITS(1).str(), "kg.m^2");
  EXPECT_EQ(UNITS(2).str(), "N.m/rad");
  EXPECT_EQ(MASSES(1).amass, 1234.5);
  EXPECT_EQ(STIFF(1).stiff, 2.5e6);
}

}  // namespace
}  // namespace spindra
