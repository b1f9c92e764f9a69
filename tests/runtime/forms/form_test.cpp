#include "runtime/forms/form.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "runtime/forms/application.h"
#include "runtime/forms/command_button.h"
#include "runtime/forms/msgbox.h"
#include "runtime/forms/screen.h"
#include "runtime/platform/error.h"
#include "tests/runtime/forms/test_support.h"

namespace {

using forms_test::PumpUntil;

class ClosingForm : public forms::Form {
 public:
  std::vector<std::string> log;
  int16_t cancelInQuery = 0;
  int16_t cancelInUnload = 0;

 protected:
  void Form_Load() override { log.push_back("load"); }
  void Form_QueryUnload(int16_t& Cancel, int16_t& UnloadMode) override {
    log.push_back("query " + std::to_string(UnloadMode));
    EXPECT_EQ(Cancel, 0);
    Cancel = cancelInQuery;
  }
  void Form_Unload(int16_t& Cancel) override {
    log.push_back("unload");
    EXPECT_EQ(Cancel, 0);
    Cancel = cancelInUnload;
  }
};

TEST(Form, LoadRunsOnceBeforeTheFirstShow) {
  ClosingForm form;
  EXPECT_FALSE(form.IsOpen());
  form.Show();
  form.Show();
  form.Load();
  EXPECT_EQ(form.log, std::vector<std::string>{"load"});
  EXPECT_TRUE(form.IsOpen());
  EXPECT_TRUE(form.Window()->isVisible());
}

TEST(Form, ClosingFromCodeRunsQueryUnloadThenUnloadAndCancelKeepsItOpen) {
  ClosingForm form;
  form.Show();

  form.cancelInQuery = 1;
  EXPECT_FALSE(form.Unload());
  EXPECT_TRUE(form.IsOpen());
  EXPECT_TRUE(form.Window()->isVisible());

  form.cancelInQuery = 0;
  form.cancelInUnload = -1;  // any non-zero value cancels
  EXPECT_FALSE(form.Unload());
  EXPECT_TRUE(form.IsOpen());

  form.cancelInUnload = 0;
  EXPECT_TRUE(form.Unload());
  EXPECT_FALSE(form.IsOpen());
  EXPECT_FALSE(form.Window()->isVisible());
  const std::vector<std::string> expected = {"load",    "query 1", "query 1", "unload",
                                             "query 1", "unload"};
  EXPECT_EQ(form.log, expected);

  // Closed for good: neither a second close nor Show does anything.
  EXPECT_TRUE(form.Unload());
  form.Show();
  EXPECT_FALSE(form.Window()->isVisible());
  EXPECT_EQ(form.log, expected);

  // Its geometry reads what it had, then what code sets, and no setter
  // reaches the window that has gone.
  const QRect frame = form.Window()->frameGeometry();
  EXPECT_FLOAT_EQ(form.Width(), 4800);
  form.Move(150, 300, 3000, 1500);
  form.SetBorderStyle(forms::BorderStyle::FixedDialog);
  EXPECT_EQ(form.Window()->frameGeometry(), frame);
  EXPECT_FALSE(form.Window()->windowFlags().testFlag(Qt::CustomizeWindowHint));
  EXPECT_FLOAT_EQ(form.Left(), 150);
  EXPECT_FLOAT_EQ(form.Top(), 300);
  EXPECT_FLOAT_EQ(form.Width(), 3000);
  EXPECT_FLOAT_EQ(form.Height(), 1500);
  EXPECT_FALSE(form.Window()->isVisible());
}

TEST(Form, WindowManagerCloseTakesTheSameSequenceWithUnloadMode0) {
  ClosingForm form;
  form.Show();
  form.cancelInQuery = 1;
  EXPECT_FALSE(form.Window()->close());
  EXPECT_TRUE(form.Window()->isVisible());
  EXPECT_TRUE(form.IsOpen());

  form.cancelInQuery = 0;
  EXPECT_TRUE(form.Window()->close());
  EXPECT_FALSE(form.IsOpen());
  EXPECT_EQ(form.log, (std::vector<std::string>{"load", "query 0", "query 0", "unload"}));
}

class PumpingForm : public forms::Form {
 public:
  int queries = 0;

 protected:
  void Form_QueryUnload(int16_t&, int16_t&) override {
    ++queries;
    // A second close request arriving while this handler pumps messages.
    if (queries == 1) {
      QTimer::singleShot(0, Window(), [this] { Window()->close(); });
      forms_test::PumpFor(30);
    }
  }
};

TEST(Form, ACloseRequestWhileTheSequenceRunsIsNotRunNested) {
  PumpingForm form;
  form.Show();
  EXPECT_TRUE(form.Unload());
  EXPECT_EQ(form.queries, 1);
  EXPECT_FALSE(form.IsOpen());
}

TEST(Form, GeometryIsInTwipsAndKeepsTheFloatThatWasSet) {
  forms::Form form;
  form.Move(0, 0, 4807.5f, 3000);
  EXPECT_FLOAT_EQ(form.Width(), 4807.5f);
  EXPECT_FLOAT_EQ(form.Height(), 3000.0f);
  form.Show();
  EXPECT_FLOAT_EQ(form.Width(), 4807.5f);
  EXPECT_FLOAT_EQ(form.Left(), 0.0f);
  // The outer window really has that size, frame included.
  EXPECT_EQ(form.Window()->frameGeometry().width(), 321);
  EXPECT_EQ(form.Window()->frameGeometry().height(), 200);

  form.SetLeft(1500);
  form.SetTop(750);
  EXPECT_EQ(form.Window()->frameGeometry().topLeft(), QPoint(100, 50));
  EXPECT_FLOAT_EQ(form.Top(), 750.0f);
  EXPECT_THROW(form.SetWidth(-15), platform::Error);
  EXPECT_FLOAT_EQ(form.Width(), 4807.5f);

  // Covering the screen, as a full-screen window does.
  form.Move(0, 0, forms::Screen::Width(), forms::Screen::Height());
  EXPECT_FLOAT_EQ(form.Width(), forms::Screen::Width());
  EXPECT_EQ(form.Window()->frameGeometry(), QRect(0, 0, 800, 800));
}

TEST(Form, ClientAreaLiesBelowTheMenuBarAndCanBeSizedExactly) {
  forms::Form form;
  form.AddMenu("mnuFile", "&File").AddItem("mnuExit", "&Exit", [] {});
  form.SetClientSize(4680, 1725);
  EXPECT_FLOAT_EQ(form.ScaleWidth(), 4680);
  EXPECT_FLOAT_EQ(form.ScaleHeight(), 1725);
  EXPECT_GT(form.Height(), form.ScaleHeight());
  form.Show();
  EXPECT_EQ(form.Widget()->size(), QSize(312, 115));

  form.CenterOnScreen();
  const QRect frame = form.Window()->frameGeometry();
  EXPECT_NEAR(frame.center().x(), 400, 1);
  EXPECT_NEAR(frame.center().y(), 400, 1);
}

TEST(Form, FixedDialogKeepsItsClientSize) {
  forms::Form form;
  form.SetBorderStyle(forms::BorderStyle::FixedDialog);
  form.SetClientSize(4680, 1725);
  form.Show();
  EXPECT_EQ(form.Widget()->size(), QSize(312, 115));
  form.Window()->resize(600, 600);
  EXPECT_EQ(form.Widget()->size(), QSize(312, 115));
}

TEST(Form, MenuItemsRunTheirCommandsAndCarryAccessKeysButNoShortcuts) {
  forms::Form form;
  form.SetCaption(" Demo");
  std::vector<std::string> ran;
  auto& file = form.AddMenu("mnuFile", "&File");
  file.AddItem("mnuExit", "&Exit", [&] { ran.push_back("exit"); });
  auto& functions = form.AddMenu("mnuFunctions", "&Functions");
  functions.AddItem("mnuWhorlix", "Play &Whorlix", [&] { ran.push_back("play"); });
  functions.AddItem("mnuBroken", "&Broken", [] { throw platform::Error(platform::kErrorFail, "x"); });
  form.Show();
  EXPECT_EQ(form.Window()->windowTitle(), QString(" Demo"));

  ASSERT_NE(form.MenuAction("mnuWhorlix"), nullptr);
  EXPECT_EQ(form.MenuAction("mnuWhorlix")->text(), QString("Play &Whorlix"));
  EXPECT_TRUE(form.MenuAction("mnuWhorlix")->shortcut().isEmpty());
  EXPECT_EQ(form.MenuAction("mnuFunctions")->text(), QString("&Functions"));
  EXPECT_EQ(form.MenuAction("nothing"), nullptr);

  form.MenuAction("mnuWhorlix")->trigger();
  form.MenuAction("mnuBroken")->trigger();  // an error ends that command only
  form.MenuAction("mnuExit")->trigger();
  EXPECT_EQ(ran, (std::vector<std::string>{"play", "exit"}));

  // Both menus carry F. Keys go where the keyboard sends them: to the open
  // menu while there is one, else to the window.
  QApplication::setActiveWindow(form.Window());
  const auto press = [&](Qt::Key key, Qt::KeyboardModifiers mods) {
    QWidget* target = QApplication::activePopupWidget();
    QTest::keyClick(target != nullptr ? target : form.Window(), key, mods);
    forms_test::PumpFor(50);
  };
  const auto open = [] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); };
  QMenu* fileMenu = form.MenuAction("mnuFile")->menu();
  QMenu* functionsMenu = form.MenuAction("mnuFunctions")->menu();
  for (int i = 0; i < 5; ++i) {
    press(Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(open(), fileMenu) << "Alt+F number " << i + 1;
    press(Qt::Key_Escape, Qt::NoModifier);
    press(Qt::Key_Escape, Qt::NoModifier);
    EXPECT_EQ(open(), nullptr);
  }
  // Alt+F again while "&File" is open keeps it; F alone moves on, round to
  // the first; a key of an item in the open menu chooses that item.
  press(Qt::Key_F, Qt::AltModifier);
  press(Qt::Key_F, Qt::AltModifier);
  EXPECT_EQ(open(), fileMenu);
  press(Qt::Key_F, Qt::NoModifier);
  EXPECT_EQ(open(), functionsMenu);
  press(Qt::Key_F, Qt::NoModifier);
  EXPECT_EQ(open(), fileMenu);
  press(Qt::Key_E, Qt::NoModifier);
  EXPECT_EQ(open(), nullptr);
  EXPECT_EQ(ran, (std::vector<std::string>{"play", "exit", "exit"}));
  // A menu opened from the keyboard highlights its first item, so Enter
  // chooses it; F moving on highlights the other menu's first item.
  press(Qt::Key_F, Qt::AltModifier);
  EXPECT_EQ(fileMenu->activeAction(), form.MenuAction("mnuExit"));
  press(Qt::Key_F, Qt::NoModifier);
  EXPECT_EQ(functionsMenu->activeAction(), form.MenuAction("mnuWhorlix"));
  press(Qt::Key_F, Qt::NoModifier);
  press(Qt::Key_Return, Qt::NoModifier);
  EXPECT_EQ(open(), nullptr);
  EXPECT_EQ(ran, (std::vector<std::string>{"play", "exit", "exit", "exit"}));
}

TEST(Form, ButtonAccessKeyFollowsTheCaptionAndFocusStartsOnTheFirstTabStop) {
  forms::Form form;
  int yes = 0, notSure = 0;
  auto& b1 = form.AddButton("Command1");
  b1.SetCaption("YES I'M SURE");
  b1.Move(165, 1245, 1860, 360);
  b1.SetOnClick([&] { ++yes; });
  auto& b2 = form.AddButton("NOTSURE");
  b2.SetCaption("NO I'M &NOT SURE");
  b2.Move(2190, 1245, 1860, 360);
  b2.SetOnClick([&] { ++notSure; });
  EXPECT_EQ(b2.TabIndex(), 1);
  form.Show();
  QApplication::setActiveWindow(form.Window());
  EXPECT_TRUE(b1.Widget()->hasFocus());
  EXPECT_EQ(b1.Widget()->geometry(), QRect(11, 83, 124, 24));

  b1.Click();
  EXPECT_EQ(yes, 1);
  // Enter, from either key, presses the button with the focus as Space does,
  // though neither button is the default one.
  QTest::keyClick(b1.Widget(), Qt::Key_Return);
  EXPECT_TRUE(PumpUntil([&] { return yes == 2; }));
  QTest::keyClick(b1.Widget(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(PumpUntil([&] { return yes == 3; }));
  QTest::keyClick(b1.Widget(), Qt::Key_Space);
  EXPECT_TRUE(PumpUntil([&] { return yes == 4; }));
  EXPECT_EQ(notSure, 0);

  QTest::keyClick(form.Window(), Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(PumpUntil([&] { return notSure == 1; }));
  b2.SetCaption("NO I'M N&OT SURE");
  EXPECT_EQ(b2.Caption(), "NO I'M N&OT SURE");
  QTest::keyClick(form.Window(), Qt::Key_N, Qt::AltModifier);
  forms_test::PumpFor(300);
  EXPECT_EQ(notSure, 1);  // N is no longer its key
  QTest::keyClick(form.Window(), Qt::Key_O, Qt::AltModifier);
  EXPECT_TRUE(PumpUntil([&] { return notSure == 2; }));
}

TEST(MsgBox, TheHookSeesTheTextAndDismissesWithoutBlocking) {
  std::vector<std::string> outer, inner;
  {
    forms::ScopedMsgBoxHook hook([&](const std::string& t) { outer.push_back(t); });
    forms::MsgBox("Couldn't open the mixer.");
    {
      forms::ScopedMsgBoxHook nested([&](const std::string& t) { inner.push_back(t); });
      forms::MsgBox("second");
    }
    forms::MsgBox("third");
  }
  EXPECT_EQ(outer, (std::vector<std::string>{"Couldn't open the mixer.", "third"}));
  EXPECT_EQ(inner, std::vector<std::string>{"second"});
}

TEST(MsgBox, WithoutAHookShowsAModalBoxWithTheTextAndOnlyOk) {
  forms::DoEvents();  // makes sure the application exists
  QString seenText, seenTitle;
  int buttons = -1;
  bool modal = false;
  QTimer::singleShot(50, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seenText = box->text();
    seenTitle = box->windowTitle();
    buttons = static_cast<int>(box->buttons().size());
    modal = box->isModal();
    box->button(QMessageBox::Ok)->click();
  });
  forms::MsgBox("Couldn't open the mixer.");
  EXPECT_EQ(seenText, QString("Couldn't open the mixer."));
  EXPECT_EQ(seenTitle, QGuiApplication::applicationDisplayName());
  EXPECT_EQ(buttons, 1);
  EXPECT_TRUE(modal);
}

}  // namespace
