// The smallest window that proves the forms runtime works: one form with a
// caption, a label and a File menu whose Exit closes it, which ends the
// program.
#include "runtime/forms/application.h"
#include "runtime/forms/elements.h"
#include "runtime/forms/form.h"
#include "runtime/forms/screen.h"

namespace {

class SmokeForm : public forms::Form {
 protected:
  void Form_Load() override {
    SetCaption(" Forms runtime smoke test");
    SetBackColor({0, 0, 64});
    AddMenu("mnuFile", "&File").AddItem("mnuExit", "&Exit", [this] { Unload(); });
    auto& label = Add<forms::Label>("Hello");
    label.SetCaption("The forms runtime is alive. Choose File, Exit to quit.");
    label.SetForeColor({192, 0, 0});
    label.SetFontSize(14);
    label.SetFontBold(true);
    label.SetBackTransparent(true);
    label.SetAlignment(forms::Label::Alignment::Center);
    label.SetWordWrap(true);
    SetClientSize(6000, 1800);
    label.Move(240, 480, ScaleWidth() - 480, 900);
    CenterOnScreen();
  }
};

}  // namespace

int main(int argc, char** argv) {
  forms::Application::Initialize(argc, argv);
  forms::Application::CreateForm<SmokeForm>().Show();
  return forms::Application::Run();
}
