// A host built on the kit's own forms: one form with the VU meter, asked for
// a fresh reading (DisplayMode 3) by a form timer that shows and prints it.
// The program ends when its last form closes.
#include <cstdio>
#include <string>
#include <kvqmxtmr/control.h>
#include <kvqmxtmr/dialfen.h>
#include <kvqmxtmr/forms.h>

class LevelForm : public forms::Form {
 public:
  LevelForm() {
    SetCaption("KvQmxTmr on a kit form");
    SetClientSize(3200, 900);  // twips
    Level.SetLeft(120), Level.SetTop(480), Level.SetWidth(2900), Level.SetHeight(300);
    Clock.SetHandler([this] { Clock_Timer(); });
  }

 protected:
  void Form_Load() override {
    Clock.SetInterval(1000);
    Clock.SetEnabled(true);
  }

 private:
  void Clock_Timer() {
    Meter.PutLong(kvqmxtmr::DISPID_DisplayMode, kvqmxtmr::GetPeekDataOnly);  // one reading, now
    const int level = Meter.GetLong(kvqmxtmr::DISPID_GetPeekData);
    Level.SetCaption("GetPeekData " + std::to_string(level));
    std::printf("GetPeekData %d\n", level), std::fflush(stdout);
  }

  kvqmxtmr::Control Meter{kvqmxtmr::kProgID_KvDispVU, *this, 120, 120};
  forms::Label& Level = Add<forms::Label>("Level");
  forms::Timer& Clock = AddTimer("Clock");
};

int main(int argc, char** argv) {
  forms::Application::Initialize(argc, argv);
  forms::Application::CreateForm<LevelForm>().Show();
  return forms::Application::Run();
}
