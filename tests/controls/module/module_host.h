#pragma once
// A host of the control module that knows nothing of it but its file name and
// identities: it reaches the module only through its exports and the
// component runtime, as a program would.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/module/library/identities.h"
#include "runtime/automation/hresult.h"
#include "runtime/com/interfaces.h"
#include "runtime/com/object_base.h"
#include "runtime/forms/form.h"
#include "runtime/forms/msgbox.h"
#include "runtime/platform/exports.h"
#include "runtime/winmm/device_selection.h"
#include "runtime/winmm/scripted_mixer.h"
#include "tests/runtime/com/test_support.h"

namespace kvmodule_test {

// The built module: its directory joined with the file name hosts record.
const std::string& ModulePath();

// Calls an export through a short-lived handle of its own, so the caller
// never keeps the module loaded.
com::HRESULT CallExport(const std::string& module, const char* exportName);
// DllCanUnloadNow of the module as the creation table loaded it; S_OK when
// it is not loaded at all.
com::HRESULT CanUnloadNow();
bool ModuleLoaded();

// The status code (and message) of the platform::Error `f` raises; S_OK
// when it raises none.
com::HRESULT CodeOf(const std::function<void()>& f, std::string* message = nullptr);

struct CommandRun {
  int status = -1;
  std::string output;  // stdout and stderr
};
CommandRun RunCommand(const std::string& command);

// An event sink for one source interface, recording each call.
class RecordingSink final : public com::ObjectBase<RecordingSink, com::IDispatch> {
 public:
  explicit RecordingSink(const com::IID& source, std::function<void()> onCall = {})
      : source_(source), onCall_(std::move(onCall)) {}

  std::vector<com::DISPID> calls;
  std::vector<size_t> argumentCounts;

  com::HRESULT GetTypeInfoCount(uint32_t* n) override { return *n = 0, com::S_OK; }
  com::HRESULT GetTypeInfo(uint32_t, com::LCID, com::ITypeInfo**) override { return com::DISP_E_BADINDEX; }
  com::HRESULT GetIDsOfNames(const com::IID&, const char* const*, uint32_t, com::LCID, com::DISPID*) override {
    return com::DISP_E_UNKNOWNNAME;
  }
  com::HRESULT Invoke(com::DISPID id, const com::IID&, com::LCID, uint16_t, com::DISPPARAMS* p, com::Variant*,
                      com::EXCEPINFO*, uint32_t*) override {
    calls.push_back(id);
    argumentCounts.push_back(p ? p->cArgs : 0);
    if (onCall_) onCall_();
    return com::S_OK;
  }

 protected:
  void* Find(const com::IID& iid) override {
    return iid == source_ ? static_cast<com::IDispatch*>(this) : ObjectBase::Find(iid);
  }

 private:
  com::IID source_;
  std::function<void()> onCall_;
};

// A registered module, a form to host on, mixer device 0 scripted, and the
// platform's Sleep and message box recorded instead of blocking.
class ModuleHostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes mixer device 0 run `script` (scripted_mixer.h).
  void UseMixerScript(const std::string& script);
  uint64_t MixerReads() const;
  uint64_t MixerOpens() const;

  com::testing::ScopedRegistryFile registry_;
  forms::Form form_;
  std::vector<std::string> messages_;
  static std::vector<int32_t>& Sleeps();

 private:
  static void RecordSleep(int32_t milliseconds) { Sleeps().push_back(milliseconds); }

  std::shared_ptr<winmm::ScriptedMixer> mixer_;
  std::unique_ptr<winmm::ScopedMixerDevice> device_;
  platform::ScopedExport<void(int32_t)> sleep_{"kernel32", "Sleep", &RecordSleep};
  forms::ScopedMsgBoxHook msgBoxes_{[this](const std::string& text) { messages_.push_back(text); }};
};

}  // namespace kvmodule_test
