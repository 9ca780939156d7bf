// The program's dialogs built by the Qt window library from their pieces,
// driven through their widgets.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <vector>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "tests/platform/program_windows.h"
#include "tests/platform_qt/qt_test_support.h"

namespace spindra::testing {
namespace {

QPushButton* button(QWidget* w, int n) {
  return w->findChild<QPushButton*>(QStringLiteral("button%1").arg(n));
}

// Presses button n of `w`; the message it shows is answered and its text
// returned (empty when none showed).
std::string press_for_message(QWidget* w, int n) {
  auto text = std::make_shared<std::string>();
  later([text] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      *text = box->text().toStdString();
      box->accept();
    }
  });
  button(w, n)->click();
  QApplication::processEvents();
  return *text;
}

QStringList labels(QWidget* w) {
  QStringList out;
  for (QLabel* l : w->findChildren<QLabel*>()) out << l->text();
  return out;
}

// How a field looks on the screen: the colour of its inside next to the
// right edge, and the lightness of its darkest pixel (its text).
struct Look {
  QRgb inside;
  int darkest;
};
Look look(QWidget* w) {
  const QImage image = w->grab().toImage();
  Look l{image.pixel(image.width() - 5, image.height() / 2), 255};
  for (int y = 3; y < image.height() - 3; ++y)
    for (int x = 3; x < image.width() - 3; ++x)
      l.darkest = std::min(l.darkest, qGray(image.pixel(x, y)));
  return l;
}

TEST_F(QtLibraryTest, AboutBoxClosesByOkEscapeOrFrame) {
  later([this] {
    QWidget* w = top();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), "About Spindra");
    EXPECT_EQ(w->pos(), QPoint(20, 60));
    const QStringList l = labels(w);
    EXPECT_TRUE(l.contains("Spindra"));
    EXPECT_TRUE(l.contains("Version 3.0"));
    EXPECT_TRUE(l.contains("Torsional Vibration Calculation"));
    for (QLabel* label : w->findChildren<QLabel*>()) {
      if (label->text() == "Spindra") {
        EXPECT_TRUE(label->font().bold());
        EXPECT_NEAR(label->font().pointSizeF(), 2.0 * QApplication::font().pointSizeF(), 0.01);
      } else {
        EXPECT_FALSE(label->font().bold());
      }
    }
    // Centred lines share one middle.
    std::vector<int> middles;
    for (QLabel* label : w->findChildren<QLabel*>())
      middles.push_back(label->mapTo(w, label->rect().center()).x());
    ASSERT_EQ(middles.size(), 3u);
    EXPECT_NEAR(middles[0], middles[1], 2);
    EXPECT_NEAR(middles[0], middles[2], 2);
    QPushButton* ok = button(w, 1);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "&OK");
    EXPECT_TRUE(ok->isDefault());
    ok->click();
  });
  const RecordedWindow about = program_window("About Spindra");
  EXPECT_EQ(build(*lib, about.pieces()), 1);

  later([this] { press_key(top(), Qt::Key_Escape); });
  EXPECT_EQ(build(*lib, about.pieces()), 0);

  later([this] { top()->close(); });
  EXPECT_EQ(build(*lib, about.pieces()), 0);
  EXPECT_EQ(top(), nullptr);
}

// A dialog opened over a window opens centred on it (the About box's own
// position holds only with no window beneath).
TEST_F(QtLibraryTest, DialogOverAWindowOpensCentredOnIt) {
  const RecordedWindow about = program_window("About Spindra");
  QPoint centre, base_centre;
  later([&, this] {
    QWidget* base = top();
    base->resize(700, 500);
    base->move(150, 100);
    base_centre = base->frameGeometry().center();
    later([&, this] {
      centre = top()->frameGeometry().center();
      button(top(), 1)->click();
    });
    build(*lib, about.pieces());
    button(base, 1)->click();
  });
  build(*lib, Pieces{{"%ca[Base]&", {}}, {"%`tt[&OK]", {}}});
  EXPECT_LE((centre - base_centre).manhattanLength(), 4) << centre.x() << "," << centre.y();
}

// Without %es, Escape is the Cancel button where there is one.
TEST_F(QtLibraryTest, EscapeWithoutItsCodeIsTheCancelButton) {
  const RecordedWindow dialog = program_window("Create Inertia");
  later([this] { press_key(top(), Qt::Key_Escape); });
  EXPECT_EQ(build(*lib, dialog.pieces()), 2);
  later([this] {
    press_key(top(), Qt::Key_Escape);
    ASSERT_NE(top(), nullptr) << "Escape closed a dialog without %es and without Cancel";
    button(top(), 1)->click();
  });
  EXPECT_EQ(build(*lib, Pieces{{"%ca[Note]&", {}}, {"%`tt[&OK]", {}}}), 1);
}

TEST_F(QtLibraryTest, InertiaDialogWritesTypedValues) {
  const RecordedWindow create = program_window("Create Inertia");
  const RecordedWindow modify = program_window("Modify Inertia");
  NMASS = 7;
  AMASS_IN = 12.5;
  FixedText<16>& name_var = dialog_buffers().create_name;
  later([this, &name_var] {
    QWidget* w = top();
    EXPECT_EQ(w->windowTitle(), "Create Inertia");
    auto* number = qobject_cast<QLineEdit*>(lib->control_for(&NMASS));
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->text(), "7");
    EXPECT_TRUE(number->isReadOnly());
    auto* unit = qobject_cast<QLineEdit*>(lib->control_for(UNITS(1).data()));
    EXPECT_EQ(unit->text(), "kg.m^2");
    EXPECT_TRUE(unit->isReadOnly());
    EXPECT_TRUE(labels(w).contains(" N.m.s/rad"));  // the damping's unit, whatever the stiffness

    auto* amass = qobject_cast<QLineEdit*>(lib->control_for(&AMASS_IN));
    EXPECT_EQ(amass->text(), "12.5");
    EXPECT_EQ(amass->palette().color(QPalette::Base), QColor(Qt::white));
    replace_text(amass, "2500");
    EXPECT_DOUBLE_EQ(AMASS_IN, 2500.0);  // taken as typed
    replace_text(amass, "2.50e3");
    WINDOW_UPDATE(AMASS_IN);  // the same value: the typed text stays
    EXPECT_EQ(amass->text(), "2.50e3");
    AMASS_IN = 2500.0;
    replace_text(amass, "abc");
    EXPECT_DOUBLE_EQ(AMASS_IN, 2500.0);  // not a number: the value stays
    lose_focus(amass);
    EXPECT_EQ(amass->text(), "abc");  // and the text too, marked, for OK to refuse
    EXPECT_FALSE(amass->toolTip().isEmpty());
    replace_text(amass, "2500");
    replace_text(qobject_cast<QLineEdit*>(lib->control_for(&DAMPEX_IN)), "-0.25");
    auto* name = qobject_cast<QLineEdit*>(lib->control_for(name_var.data()));
    EXPECT_EQ(name->maxLength(), 16);
    replace_text(name, "Flywheel");
    button(w, 1)->click();
  });
  EXPECT_EQ(build(*lib, create.pieces()), 1);
  EXPECT_DOUBLE_EQ(AMASS_IN, 2500.0);
  EXPECT_DOUBLE_EQ(DAMPEX_IN, -0.25);
  EXPECT_EQ(name_var.view(), "Flywheel        ");

  later([this] { button(top(), 2)->click(); });
  EXPECT_EQ(build(*lib, modify.pieces()), 2);
  later([this] { top()->close(); });
  EXPECT_EQ(build(*lib, modify.pieces()), 0);
}

// The Units button opens the unit chooser over the inertia dialog; its OK
// changes the value, and the refresh shows it in the field at once.
TEST_F(QtLibraryTest, UnitsDialogOverTheInertiaDialogRefreshesTheField) {
  const RecordedWindow dialog = program_window("Create Inertia");
  AMASS_IN = 1500.0;
  int32_t& kg_var = dialog_buffers().unit1;
  int32_t& t_var = dialog_buffers().unit2;
  later([&, this] {
    QWidget* w = top();
    later([&, this] {
      QWidget* units = top();
      EXPECT_EQ(units->windowTitle(), "Select Inertia Units");
      auto* kg = qobject_cast<QRadioButton*>(lib->control_for(&kg_var));
      auto* t = qobject_cast<QRadioButton*>(lib->control_for(&t_var));
      ASSERT_NE(kg, nullptr);
      ASSERT_NE(t, nullptr);
      EXPECT_TRUE(kg->isChecked());
      EXPECT_FALSE(t->isChecked());
      t->click();
      EXPECT_EQ(kg_var, 0);
      EXPECT_EQ(t_var, 1);
      EXPECT_FALSE(kg->isChecked());
      t->click();  // choosing the chosen one keeps it
      EXPECT_EQ(t_var, 1);
      EXPECT_TRUE(t->isChecked());
      button(units, 1)->click();
    });
    button(w, 3)->click();  // Units: runs the callback, the dialog stays
    EXPECT_EQ(top(), w);
    EXPECT_EQ(qobject_cast<QLineEdit*>(lib->control_for(&AMASS_IN))->text(), "1.5");
    EXPECT_EQ(qobject_cast<QLineEdit*>(lib->control_for(UNITS(1).data()))->text(), "T.m^2");
    button(w, 1)->click();
  });
  EXPECT_EQ(build(*lib, dialog.pieces()), 1);
  EXPECT_DOUBLE_EQ(AMASS_IN, 1.5);
}

TEST_F(QtLibraryTest, StiffnessDialogsWithAndWithoutTheList) {
  const RecordedWindow create = program_window("Create Stiffness");
  const RecordedWindow ground = program_window("Create Stiffness to ground");
  double& bore = dialog_buffers().create_bore;
  later([&, this] {
    QWidget* w = top();
    EXPECT_EQ(w->windowTitle(), "Create Stiffness");
    auto* list = qobject_cast<QComboBox*>(lib->control_for(NAMES_NL.data()->data()));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 1);  // "Linear" and blanks
    EXPECT_EQ(list->currentText(), "Linear");
    replace_text(qobject_cast<QLineEdit*>(lib->control_for(&ASTIF_IN)), "1.2");
    replace_text(qobject_cast<QLineEdit*>(lib->control_for(&DIA_IN)), "40");
    replace_text(qobject_cast<QLineEdit*>(lib->control_for(&bore)), "20");
    EXPECT_TRUE(labels(w).contains(" N.m.s/rad"));
    press_key(qobject_cast<QLineEdit*>(lib->control_for(&bore)), Qt::Key_Return);  // default
  });
  EXPECT_EQ(build(*lib, create.pieces()), 1);
  EXPECT_DOUBLE_EQ(ASTIF_IN, 1.2);
  EXPECT_DOUBLE_EQ(DIA_IN, 40.0);
  EXPECT_DOUBLE_EQ(bore, 20.0);
  EXPECT_EQ(dialog_buffers().characteristic, 1);

  later([this] {
    EXPECT_EQ(top()->windowTitle(), "Create Stiffness to ground");
    EXPECT_EQ(top()->findChild<QComboBox*>(), nullptr);
    button(top(), 2)->click();
  });
  EXPECT_EQ(build(*lib, ground.pieces()), 2);
}

TEST_F(QtLibraryTest, EngineDialogLimitsGreyStatesAndCallbacks) {
  const RecordedWindow dialog = program_window("Create Engine");
  ISTRK2 = 0;
  ISTRK4 = 1;
  CRE_ENGS.ivee_engine = 0;
  ENGINE& e = CRE_ENGS;
  later([&, this] {
    QWidget* w = top();
    EXPECT_EQ(w->windowTitle(), "Create Engine");
    auto* ncyl = qobject_cast<QLineEdit*>(lib->control_for(&e.ncyl));
    ASSERT_NE(ncyl, nullptr);
    replace_text(ncyl, "4");
    EXPECT_EQ(e.ncyl, 4);  // taken as typed, the callbacks in order
    replace_text(ncyl, "0");
    EXPECT_EQ(e.ncyl, 4);                     // below the limit of 1: not taken
    EXPECT_FALSE(ncyl->toolTip().isEmpty());  // marked as not a value
    lose_focus(ncyl);
    EXPECT_EQ(ncyl->text(), "0");  // kept for OK to refuse
    replace_text(ncyl, "13");  // "1" is a count, "13" is not
    EXPECT_EQ(e.ncyl, 1);
    replace_text(ncyl, "4");
    EXPECT_EQ(e.ncyl, 4);
    EXPECT_TRUE(lib->control_for(&e.ifirord(4))->isEnabled());
    EXPECT_FALSE(lib->control_for(&e.ifirord(5))->isEnabled());
    EXPECT_FALSE(lib->control_for(&e.ifirord(6))->isEnabled());
    // Greyed fields look grey: not the white inside and dark text of the
    // fields that take input.
    const Look open = look(lib->control_for(&e.ifirord(4)));
    EXPECT_EQ(open.inside, qRgb(255, 255, 255));
    EXPECT_LT(open.darkest, 80);
    for (const void* grey :
         {static_cast<const void*>(&e.ifirord(5)), static_cast<const void*>(&e.vee_angle)}) {
      const Look l = look(lib->control_for(grey));
      EXPECT_NE(l.inside, open.inside);
      EXPECT_GT(l.darkest, open.darkest + 60);
    }
    // The callbacks filled the texts; leading blanks are kept.
    EXPECT_EQ(qobject_cast<QLineEdit*>(lib->control_for(CYLNO(4).data()))->text().toStdString(),
              CYLNO(4).str());
    EXPECT_FALSE(CYLNO(4).is_blank());

    // The stroke buttons are one radio group; the vee toggle stands alone.
    auto* two = qobject_cast<QRadioButton*>(lib->control_for(&ISTRK2));
    auto* four = qobject_cast<QRadioButton*>(lib->control_for(&ISTRK4));
    ASSERT_NE(two, nullptr);
    ASSERT_NE(four, nullptr);
    EXPECT_TRUE(four->isChecked());
    two->click();
    EXPECT_EQ(ISTRK2, 1);
    EXPECT_EQ(ISTRK4, 0);
    EXPECT_FALSE(four->isChecked());
    auto* vee = qobject_cast<QCheckBox*>(lib->control_for(&e.ivee_engine));
    ASSERT_NE(vee, nullptr);
    QWidget* angle = lib->control_for(&e.vee_angle);
    EXPECT_FALSE(angle->isEnabled());
    vee->click();
    EXPECT_EQ(e.ivee_engine, 1);
    EXPECT_TRUE(angle->isEnabled());  // its grey flag is the toggle's variable
    vee->click();
    EXPECT_EQ(e.ivee_engine, 0);
    EXPECT_FALSE(angle->isEnabled());

    // Positioned rows: firing order fields left to right, the cylinder
    // numbers below them, the bank rows below those.
    QWidget* f1 = lib->control_for(&e.ifirord(1));
    QWidget* f2 = lib->control_for(&e.ifirord(2));
    QWidget* c1 = lib->control_for(CYLNO(1).data());
    QWidget* b1 = lib->control_for(FIRANG1(1).data());
    QWidget* b2 = lib->control_for(FIRANG2(1).data());
    auto at = [w](QWidget* x) { return x->mapTo(w, QPoint(0, 0)); };
    EXPECT_GT(at(f2).x(), at(f1).x() + f1->width() - 1);
    EXPECT_GT(at(c1).y(), at(f1).y());
    EXPECT_GT(at(b1).y(), at(c1).y());
    EXPECT_GT(at(b2).y(), at(b1).y());
    EXPECT_GE(at(f1).y(), at(angle).y() + angle->height());

    auto* first = qobject_cast<QLineEdit*>(f1);
    replace_text(first, "2");
    EXPECT_EQ(e.ifirord(1), 2);
    button(w, 1)->click();
  });
  EXPECT_EQ(build(*lib, dialog.pieces()), 1);

  later([this] { button(top(), 2)->click(); });
  EXPECT_EQ(build(*lib, dialog.pieces()), 2);
}

TEST_F(QtLibraryTest, WarningDialogResults) {
  const RecordedWindow other = program_window("Warning", 0);
  const RecordedWindow same = program_window("Warning", 1);
  later([this] {
    EXPECT_EQ(top()->windowTitle(), "Warning");
    const QStringList l = labels(top());
    EXPECT_TRUE(l.contains("Mass is already part of this engine"));
    EXPECT_TRUE(l.contains("re-define will re-start cylinder definitions"));
    EXPECT_EQ(button(top(), 1)->text(), "&OK Re-define");
    button(top(), 1)->click();
  });
  EXPECT_EQ(build(*lib, same.pieces()), 1);

  later([this] {
    EXPECT_TRUE(labels(top()).contains("1"));  // the engine the inertia drives
    button(top(), 2)->click();
  });
  EXPECT_EQ(build(*lib, other.pieces()), 2);
  later([this] { top()->close(); });
  EXPECT_EQ(build(*lib, other.pieces()), 0);
}

TEST_F(QtLibraryTest, AWrongLayoutIsReportedAndTheNextOneBuilds) {
  EXPECT_THROW(lib->window_printf("%ca[A]%xx&", {}), layout::LayoutError);
  later([this] {
    EXPECT_EQ(top()->windowTitle(), "About Spindra");  // nothing of the failed layout
    button(top(), 1)->click();
  });
  EXPECT_EQ(build(*lib, program_window("About Spindra").pieces()), 1);
}

}  // namespace
}  // namespace spindra::testing

namespace spindra::testing {
namespace {

// Every dialog of the program, as the program builds it: each button that
// closes it gives its number and the window frame 0.
TEST_F(QtLibraryTest, EveryDialogGivesItsButtonNumberOrZero) {
  int dialogs = 0;
  for (const RecordedWindow& dialog : record_program_windows()) {
    const layout::WindowDescription d = layout::parse_window(dialog.pieces());
    if (d.ordinary_window) continue;
    ++dialogs;
    std::vector<int> closing = {0};
    for (const layout::Item& it : d.items) {
      if (it.kind == layout::ItemKind::Button && it.on_change.kind == layout::Action::Kind::None) {
        closing.push_back(it.button_number);
      }
    }
    for (int how : closing) {
      std::string seen;
      later([this, how, &seen] {
        QWidget* w = top();
        ASSERT_NE(w, nullptr);
        seen = w->windowTitle().toStdString();
        if (how == 0) {
          w->close();
        } else {
          w->findChild<QPushButton*>(QStringLiteral("button%1").arg(how))->click();
        }
      });
      EXPECT_EQ(build(*lib, dialog.pieces()), how) << d.caption;
      EXPECT_EQ(seen, d.caption);
      EXPECT_EQ(top(), nullptr);
    }
  }
  EXPECT_EQ(dialogs, 11);
}

}  // namespace
}  // namespace spindra::testing

namespace spindra::testing {
namespace {

// A number field whose whole text is not a number of its kind refuses OK:
// the message names the field and the text, the dialog stays open with the
// text selected; a good value then closes it, and Cancel closes it at any
// time without reading the fields.
struct RefusedText {
  const char* dialog;
  int field;  // 0 the inertia, 1 the cylinder count, 2 the first firing order place
  const char* typed;
  const char* message;
  const char* good;
};

class RefusedFieldText : public QtLibraryTest, public ::testing::WithParamInterface<RefusedText> {
};

void* field_var(int field) {
  switch (field) {
    case 0:
      return &AMASS_IN;
    case 1:
      return &CRE_ENGS.ncyl;
    default:
      return &CRE_ENGS.ifirord(1);
  }
}

TEST_P(RefusedFieldText, OkIsRefusedWithTheFieldAndTheText) {
  const RefusedText& c = GetParam();
  const RecordedWindow dialog = program_window(c.dialog);
  CRE_ENGS.ncyl = 6;
  JGREY(1) = 1;
  for (bool cancel : {false, true}) {
    later([&, this] {
      QWidget* w = top();
      auto* e = qobject_cast<QLineEdit*>(lib->control_for(field_var(c.field)));
      ASSERT_NE(e, nullptr);
      replace_text(e, c.typed);
      if (*c.typed == '\0') press_key(e, Qt::Key_Backspace);
      EXPECT_EQ(press_for_message(w, 1), c.message);
      EXPECT_EQ(top(), w) << "the dialog stays open";
      EXPECT_EQ(e->text(), c.typed);
      EXPECT_EQ(e->selectedText(), c.typed);
      if (cancel) {
        press_key(w, Qt::Key_Escape);
        return;
      }
      replace_text(e, c.good);
      EXPECT_EQ(press_for_message(w, 1), "");
    });
    EXPECT_EQ(build(*lib, dialog.pieces()), cancel ? 2 : 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, RefusedFieldText,
    ::testing::Values(
        RefusedText{"Create Inertia", 0, "12x", "Inertia: \"12x\" is not a number.", "12"},
        RefusedText{"Create Inertia", 0, "1,5",
                    "Inertia: \"1,5\" is not a number: the decimal mark is a point, as in "
                    "\"1.5\".",
                    "1.5"},
        RefusedText{"Create Inertia", 0, "", "Inertia: the field is empty; type a number.", "3"},
        RefusedText{"Create Inertia", 0, "1e400",
                    "Inertia: \"1e400\" is out of the range of numbers (about 1e-308 to 1e308 "
                    "in size).",
                    "1e300"},
        RefusedText{"Create Engine", 1, "2.5", "Number of cyls: \"2.5\" is not a whole number.",
                    "2"},
        RefusedText{"Create Engine", 1, "13",
                    "Number of cyls: \"13\" is outside the range of this field, 1 to 12.", "12"},
        RefusedText{"Create Engine", 2, "99999999999",
                    "Firing order, field 1: \"99999999999\" is outside the range of this field, "
                    "-2147483648 to 2147483647.",
                    "1"}));

// Outside a dialog (Mode Scale) a text that is no number is refused when
// editing ends: the message names the field, the value stays and is shown
// again, selected.
TEST_F(QtLibraryTest, ModeScaleRefusesATextThatIsNoNumber) {
  std::string message;
  later([&, this] {
    QWidget* w = top();
    auto* scale = qobject_cast<QLineEdit*>(lib->control_for(&SCALE_MODE));
    ASSERT_NE(scale, nullptr);
    replace_text(scale, "2x");
    later([&message] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        message = box->text().toStdString();
        box->accept();
      }
    });
    press_key(scale, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(SCALE_MODE, 1.0);
    EXPECT_EQ(scale->text(), "1");
    EXPECT_EQ(scale->selectedText(), "1");
    menu_action(w, {"&File", "E&xit"})->trigger();
  });
  EXPECT_EQ(run_main_window(), 0);
  EXPECT_EQ(message, "Mode Scale: \"2x\" is not a number.");
}

}  // namespace
}  // namespace spindra::testing
