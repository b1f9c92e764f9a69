#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "runtime/registry/classes_view.h"
#include "runtime/automation/hresult.h"
#include "runtime/registry/registry.h"
#include "runtime/automation/text_encoding.h"
#include "runtime/platform/error.h"
#include "runtime/platform/runtime_location.h"
#include "tests/runtime/com/test_support.h"

namespace com {
namespace {

using testing::ReadBytes;
using testing::ScopedEnv;
using testing::TempDir;
using testing::WriteBytes;

const std::string kKey = ClassesKey("CLSID\\{11111111-2222-3333-4444-555555555555}");

std::string Utf16(const std::string& utf8) { return "\xFF\xFE" + *Utf8ToUtf16Le(utf8); }

TEST(RegistryFile, WritesThePlatformExportFormat) {
  TempDir dir;
  Registry reg(dir.path() / "r.reg");
  reg.Transaction([](RegistryData& d) {
    d.SetValue("HKEY_CURRENT_USER\\B", "Name", RegistryValue::String("say \"hi\" C:\\dir"));
    d.SetValue("HKEY_CURRENT_USER\\B", "", RegistryValue::String("default"));
    d.SetValue("HKEY_CURRENT_USER\\B", "Count", RegistryValue::DWord(0xABCD));
    d.CreateKey("HKEY_CURRENT_USER\\a\\Empty");
  });
  const std::string expected =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER]\r\n\r\n"
      "[HKEY_CURRENT_USER\\a]\r\n\r\n"
      "[HKEY_CURRENT_USER\\a\\Empty]\r\n\r\n"
      "[HKEY_CURRENT_USER\\B]\r\n"
      "@=\"default\"\r\n"
      "\"Name\"=\"say \\\"hi\\\" C:\\\\dir\"\r\n"
      "\"Count\"=dword:0000abcd\r\n\r\n";
  EXPECT_EQ(ReadBytes(reg.File()), Utf16(expected));
}

TEST(RegistryFile, RoundTripsEveryKindOfValue) {
  TempDir dir;
  Registry reg(dir.path() / "sub" / "r.reg");  // the directory is made on first write
  reg.Transaction([](RegistryData& d) {
    d.SetValue(kKey, "", RegistryValue::String("Dialfen.Thing"));
    d.SetValue(kKey + "\\InprocServer32", "ThreadingModel", RegistryValue::String("Apartment"));
    d.SetValue(kKey, "Quoted", RegistryValue::String("a\\b\"c\\\\"));
    d.SetValue(kKey, "Unicode", RegistryValue::String("Grüße 🎵"));
    d.SetValue(kKey, "Word", RegistryValue::DWord(0xFFFFFFFF));
    d.SetValue(kKey, "Empty", RegistryValue::String(""));
  });
  const RegistryData back = reg.Read();
  EXPECT_EQ(back.GetString(kKey, ""), "Dialfen.Thing");
  EXPECT_EQ(back.GetString(kKey + "\\inprocserver32", "threadingmodel"), "Apartment");  // names ignore case
  EXPECT_EQ(back.GetString(kKey, "Quoted"), "a\\b\"c\\\\");
  EXPECT_EQ(back.GetString(kKey, "Unicode"), "Grüße 🎵");
  EXPECT_EQ(back.GetValue(kKey, "Word"), RegistryValue::DWord(0xFFFFFFFF));
  EXPECT_EQ(back.GetString(kKey, "Empty"), "");
  EXPECT_EQ(back.SubKeys(kKey), std::vector<std::string>{"InprocServer32"});
  // Writing what was read gives the same bytes.
  const std::string first = ReadBytes(reg.File());
  reg.Transaction([](RegistryData&) {});
  EXPECT_EQ(ReadBytes(reg.File()), first);
}

TEST(RegistryFile, ReadsUtf8AndAsciiExportsAndKeepsTypedDataItDoesNotInterpret) {
  TempDir dir;
  const auto file = dir.path() / "r.reg";
  WriteBytes(file,
             "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n\n"
             "; a comment\n"
             "[HKEY_CURRENT_USER\\X]\n"
             "@=\"caf\xC3\xA9\"\n"
             "\"Bin\"=hex:01,02,\\\n"
             "  03,04\n"
             "\"Exp\"=hex(2):25,00,00,00\n\n"
             "[HKEY_CURRENT_USER\\Gone]\n"
             "[-HKEY_CURRENT_USER\\Gone]\n");
  Registry reg(file);
  const RegistryData d = reg.Read();
  EXPECT_EQ(d.GetString("HKEY_CURRENT_USER\\X", ""), "café");
  EXPECT_EQ(d.GetValue("HKEY_CURRENT_USER\\X", "Bin")->text, "hex:01,02,03,04");
  EXPECT_FALSE(d.KeyExists("HKEY_CURRENT_USER\\Gone"));
  reg.SetString("HKEY_CURRENT_USER\\X", "New", "v");
  const std::string text = *Utf16LeToUtf8(ReadBytes(file).substr(2));
  EXPECT_NE(text.find("\"Bin\"=hex:01,02,03,04\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Exp\"=hex(2):25,00,00,00\r\n"), std::string::npos);
}

TEST(RegistryFile, MissingFileIsAnEmptyRegistry) {
  TempDir dir;
  Registry reg(dir.path() / "none.reg");
  EXPECT_TRUE(reg.Read().Empty());
  EXPECT_FALSE(reg.GetString(kKey, "").has_value());
  EXPECT_TRUE(reg.SubKeys(ClassesKey("CLSID")).empty());
  EXPECT_FALSE(std::filesystem::exists(reg.File()));  // reading creates nothing
}

// A 0-byte file (touched, truncated by a full disk) holds nothing that could
// be lost: it reads as empty and the next write gives it its contents.
TEST(RegistryFile, ZeroByteFileIsAnEmptyRegistryThatTheNextWriteFills) {
  TempDir dir;
  const auto file = dir.path() / "r.reg";
  WriteBytes(file, "");
  Registry reg(file);
  EXPECT_TRUE(reg.Read().Empty());
  EXPECT_FALSE(reg.GetString(kKey, "").has_value());
  reg.SetString(kKey, "", "x");
  EXPECT_EQ(Registry(file).GetString(kKey, ""), "x");
  EXPECT_EQ(ReadBytes(file).substr(0, 2), "\xFF\xFE");
}

TEST(RegistryFile, MalformedFileIsReportedByNameAndLeftUntouched) {
  TempDir dir;
  const auto file = dir.path() / "bad.reg";
  const std::vector<std::string> corrupt = {
      " \r\n\r\n",                                                         // blank lines only
      "just some text\n",                                                   // no header
      "Windows Registry Editor Version 5.00\n\"Orphan\"=\"x\"\n",           // value outside a key
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\n",      // unclosed key
      "Windows Registry Editor Version 5.00\n[A]\n\"N\"=\"unterminated\n",  // broken string
      "Windows Registry Editor Version 5.00\n[A]\n\"N\"=dword:xyz\n",       // bad dword
      "Windows Registry Editor Version 5.00\n[A]\n\"N\"=\"bad \\q escape\"\n",
      "\xFF\xFEW\x00\x00",                                                  // odd-length UTF-16
      std::string("Windows Registry Editor Version 5.00\n[A]\n@=\"\xFF\"\n"),  // not UTF-8
  };
  for (const std::string& bytes : corrupt) {
    WriteBytes(file, bytes);
    Registry reg(file);
    try {
      reg.SetString(kKey, "", "x");
      ADD_FAILURE() << "accepted: " << bytes;
    } catch (const platform::Error& e) {
      EXPECT_EQ(e.code(), REGDB_E_READREGDB);
      EXPECT_NE(std::string(e.what()).find(file.string()), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadBytes(file), bytes);
    EXPECT_THROW(reg.GetString(kKey, ""), platform::Error);
  }
}

TEST(RegistryFile, MalformedLinesAreReportedWithTheirLineNumber) {
  TempDir dir;
  const auto file = dir.path() / "bad.reg";
  const std::string head = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n";
  std::string deep = "HKEY_CURRENT_USER";
  for (int i = 1; i < 513; ++i) deep += "\\k";
  const std::vector<std::pair<std::string, int>> corrupt = {
      {head + "\"a\rb\"=\"x\"\n", 4},               // a carriage return inside a value name
      {head + "@=\"x\"\n\"v\"=\"a\rb\"\n", 5},          // and inside a value
      {head + "[" + deep + "]\n", 4},                // 513 levels, one more than the platform allows
  };
  for (const auto& [bytes, line] : corrupt) {
    WriteBytes(file, bytes);
    try {
      Registry(file).SetString(kKey, "", "x");
      ADD_FAILURE() << "accepted: " << bytes;
    } catch (const platform::Error& e) {
      EXPECT_EQ(e.code(), REGDB_E_READREGDB);
      const std::string what = e.what();
      EXPECT_NE(what.find(file.string() + " is malformed at line " + std::to_string(line) + ":"), std::string::npos)
          << what;
    }
    EXPECT_EQ(ReadBytes(file), bytes);
  }
}

// The tree is copied, written and destroyed without recursing per level, and
// no key may be deeper than the platform's 512 levels: every key line repeats
// its whole path, so a deeper one could make one write hundreds of times the
// size of what was read.
TEST(RegistryFile, KeysDeeperThanThePlatformAllowsAreRefused) {
  std::string path = "HKEY_CURRENT_USER";
  for (int i = 1; i < 512; ++i) path += "\\k" + std::to_string(i);
  RegistryData d;
  d.SetValue(path, "", RegistryValue::String("deepest"));
  const RegistryData copy = d;
  const RegistryData back = RegistryData::Parse(copy.Serialize(), "copy");
  EXPECT_EQ(back.GetString(path, ""), "deepest");
  EXPECT_THROW(d.CreateKey(path + "\\k512"), platform::Error);
  EXPECT_THROW(d.SetValue(path + "\\k512", "", RegistryValue::String("x")), platform::Error);

  // A file holding one key 200,000 levels deep (400 KB): refused at its line.
  std::string hostile = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER";
  for (int i = 0; i < 200000; ++i) hostile += "\\a";
  hostile += "]\r\n";
  try {
    RegistryData::Parse(hostile, "deep.reg");
    ADD_FAILURE() << "a 200,001-level key was read";
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), REGDB_E_READREGDB);
    EXPECT_NE(std::string(e.what()).find("deep.reg is malformed at line 3"), std::string::npos) << e.what();
  }
}

TEST(RegistryFile, ASymbolicLinkIsReplacedWhereItLeadsAndStays) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "real");
  const auto target = dir.path() / "real" / "r.reg";
  const auto link = dir.path() / "link.reg";
  Registry(target).SetString(kKey, "", "first");
  std::filesystem::create_symlink("real/r.reg", link);  // relative, as users make them
  Registry reg(link);
  reg.SetString(kKey, "Second", "2");
  reg.SetString(kKey, "Third", "3");
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  const RegistryData d = Registry(target).Read();
  EXPECT_EQ(d.GetString(kKey, ""), "first");
  EXPECT_EQ(d.GetString(kKey, "Second"), "2");
  EXPECT_EQ(d.GetString(kKey, "Third"), "3");
  // No temporary and no lock file was left beside either.
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
    names.push_back(e.path().lexically_relative(dir.path()).string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"link.reg", "real", "real/r.reg"}));

  // A link to a file not there yet creates the file where it leads.
  const auto dangling = dir.path() / "new.reg";
  std::filesystem::create_symlink("real/new.reg", dangling);
  Registry(dangling).SetString(kKey, "", "made");
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
  EXPECT_EQ(Registry(dir.path() / "real" / "new.reg").GetString(kKey, ""), "made");
}

TEST(RegistryFile, AReadOnlyFileIsRefusedByNameAndKept) {
  TempDir dir;
  Registry reg(dir.path() / "r.reg");
  reg.SetString(kKey, "", "kept");
  const std::string before = ReadBytes(reg.File());
  std::filesystem::permissions(reg.File(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);  // 0444
  try {
    reg.SetString(kKey, "", "changed");
    ADD_FAILURE() << "a read-only registry file was rewritten";
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), REGDB_E_WRITEREGDB);
    EXPECT_NE(std::string(e.what()).find(reg.File().string() + ": the file is read-only"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(ReadBytes(reg.File()), before);
  EXPECT_EQ(std::filesystem::status(reg.File()).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                std::filesystem::perms::others_read);
  EXPECT_EQ(reg.GetString(kKey, ""), "kept");  // reading still works
}

TEST(RegistryFile, ARegistryPathThatIsNoRegularFileIsRefusedAtOnce) {
  TempDir dir;
  const auto fifo = dir.path() / "fifo.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // a read would wait for a writer
  const auto directory = dir.path() / "dir.reg";
  std::filesystem::create_directory(directory);
  for (const auto& path : {fifo, directory}) {
    try {
      Registry(path).Read();
      ADD_FAILURE() << path << " was read";
    } catch (const platform::Error& e) {
      EXPECT_EQ(e.code(), REGDB_E_READREGDB);
      EXPECT_NE(std::string(e.what()).find(path.string() + ": not a regular file"), std::string::npos) << e.what();
    }
  }
}

TEST(RegistryFile, UnreadableFileIsAnErrorNotAnEmptyRegistry) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads any file";
  TempDir dir;
  Registry reg(dir.path() / "r.reg");
  reg.SetString(kKey, "", "x");
  std::filesystem::permissions(reg.File(), std::filesystem::perms::none);
  EXPECT_THROW(reg.Read(), platform::Error);
  EXPECT_THROW(reg.SetString(kKey, "Other", "y"), platform::Error);
}

TEST(RegistryFile, FailedEditWritesNothingAndBadTextIsRefused) {
  TempDir dir;
  Registry reg(dir.path() / "r.reg");
  reg.SetString(kKey, "", "before");
  const std::string before = ReadBytes(reg.File());
  EXPECT_THROW(reg.Transaction([](RegistryData& d) {
    d.SetValue(kKey, "", RegistryValue::String("half"));
    throw platform::Error(E_FAIL, "changed my mind");
  }),
               platform::Error);
  EXPECT_EQ(ReadBytes(reg.File()), before);
  const auto code = [&](auto f) {
    try {
      f();
    } catch (const platform::Error& e) {
      return e.code();
    }
    return S_OK;
  };
  EXPECT_EQ(code([&] { reg.SetString(kKey, "", "two\nlines"); }), E_INVALIDARG);
  EXPECT_EQ(code([&] { reg.SetString(kKey, "Bad\rName", "x"); }), E_INVALIDARG);
  EXPECT_EQ(code([&] { reg.SetString("HKEY_CURRENT_USER\\\\Empty", "", "x"); }), E_INVALIDARG);
  EXPECT_EQ(code([&] { reg.SetString("-HKEY_CURRENT_USER\\X", "", "x"); }), E_INVALIDARG);
  EXPECT_EQ(ReadBytes(reg.File()), before);
  // No temporary or lock files are left behind.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(RegistryFile, DeleteTreeRemovesTheKeyAndEverythingBelow) {
  TempDir dir;
  Registry reg(dir.path() / "r.reg");
  reg.SetString(kKey + "\\InprocServer32", "", "/x.ocx");
  reg.SetString(ClassesKey("Other"), "", "kept");
  reg.DeleteTree(kKey);
  EXPECT_FALSE(reg.KeyExists(kKey));
  EXPECT_EQ(reg.GetString(ClassesKey("Other"), ""), "kept");
  EXPECT_TRUE(reg.KeyExists(ClassesKey("CLSID")));
  // The last value goes with the file: an unregistration leaves nothing behind.
  reg.DeleteTree(ClassesKey("Other"));
  EXPECT_FALSE(std::filesystem::exists(reg.File()));
  EXPECT_TRUE(reg.Read().Empty());
}

// Many writers, each adding its own keys, must not lose each other's.
TEST(RegistryFile, ConcurrentWritersInTwoProcessesAndThreadsKeepAllKeys) {
  TempDir dir;
  const auto file = dir.path() / "r.reg";
  constexpr int kEach = 40;
  const auto writeKeys = [&](const std::string& who) {
    Registry reg(file);
    for (int i = 0; i < kEach; ++i) reg.SetString(ClassesKey(who + "\\" + std::to_string(i)), "", who);
  };
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    try {
      writeKeys("child");
    } catch (...) {
      _exit(1);
    }
    _exit(0);
  }
  std::thread t1([&] { writeKeys("thread1"); });
  std::thread t2([&] { writeKeys("thread2"); });
  t1.join();
  t2.join();
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const RegistryData d = Registry(file).Read();
  for (const char* who : {"child", "thread1", "thread2"})
    EXPECT_EQ(d.SubKeys(ClassesKey(who)).size(), static_cast<size_t>(kEach)) << who;
}

// A writer killed at any moment leaves a whole file: the old one or the new.
TEST(RegistryFile, WriterKilledMidWriteLeavesAWholeFileAndNoLock) {
  TempDir dir;
  const auto file = dir.path() / "r.reg";
  Registry(file).SetString(ClassesKey("Base"), "", "kept");
  for (int round = 0; round < 8; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      Registry reg(file);
      // Large transactions, so the kill often lands inside a write.
      for (int i = 0;; ++i)
        reg.Transaction([&](RegistryData& d) {
          for (int k = 0; k < 300; ++k)
            d.SetValue(ClassesKey("Bulk\\" + std::to_string(k)), "n", RegistryValue::DWord(static_cast<uint32_t>(i)));
        });
    }
    usleep(5000 + round * 7000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    const RegistryData d = Registry(file).Read();  // parses
    EXPECT_EQ(d.GetString(ClassesKey("Base"), ""), "kept");
    const auto bulk = d.SubKeys(ClassesKey("Bulk"));
    EXPECT_TRUE(bulk.empty() || bulk.size() == 300u) << bulk.size();
    // The dead writer's lock went with it.
    Registry(file).SetString(ClassesKey("After"), std::to_string(round), "ok");
  }
  EXPECT_EQ(Registry(file).Read().Values(ClassesKey("After")).size(), 8u);
  // Whatever the dead writers left aside was cleared by the next writer, and
  // the lock leaves no file.
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) EXPECT_EQ(e.path().filename(), "r.reg");
}

TEST(RegistryLocation, EnvironmentChoosesTheFile) {
  const auto keep = [](const char* name) {
    const char* v = std::getenv(name);
    return std::pair<std::string, bool>(v ? v : "", v != nullptr);
  };
  const auto restore = [](const char* name, const std::pair<std::string, bool>& v) {
    if (v.second) {
      setenv(name, v.first.c_str(), 1);
    } else {
      unsetenv(name);
    }
  };
  const auto file = keep("KV_REGISTRY_FILE"), xdg = keep("XDG_CONFIG_HOME"), home = keep("HOME");
  setenv("KV_REGISTRY_FILE", "/tmp/x/own.reg", 1);
  setenv("XDG_CONFIG_HOME", "/cfg", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(Registry::DefaultFile(), "/tmp/x/own.reg");
  unsetenv("KV_REGISTRY_FILE");
  EXPECT_EQ(Registry::DefaultFile(), "/cfg/kvqmxtmr/registry.reg");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(Registry::DefaultFile(), "/home/u/.config/kvqmxtmr/registry.reg");
  restore("KV_REGISTRY_FILE", file);
  restore("XDG_CONFIG_HOME", xdg);
  restore("HOME", home);

  // The machine file belongs to the tree the runtime library was loaded
  // from, whatever the home or configuration folders say.
  const auto machine = keep("KV_MACHINE_REGISTRY_FILE");
  setenv("KV_MACHINE_REGISTRY_FILE", "/tmp/x/machine.reg", 1);
  EXPECT_EQ(Registry::MachineFile(), "/tmp/x/machine.reg");
  unsetenv("KV_MACHINE_REGISTRY_FILE");
  const auto runtime = std::filesystem::canonical(std::string(std::getenv("KV_BINARY_DIR")) + "/bin/libkvqmxtmr.so");
  EXPECT_EQ(Registry::MachineFile(), runtime.parent_path() / "machine.local.reg");
  // Beneath it, the tree's own registration, whatever the environment says.
  setenv("KV_MACHINE_REGISTRY_FILE", "/tmp/x/machine.reg", 1);
  EXPECT_EQ(Registry::InstalledFile(), runtime.parent_path() / "machine.reg");
  restore("KV_MACHINE_REGISTRY_FILE", machine);
}

// Where a tree keeps its module and registrations, from the runtime
// library's folder and the install folders it was built for: an installed
// tree's private module folder and configuration folder (/etc for /usr, as
// GNUInstallDirs places it), a build tree's one folder for everything.
TEST(RegistryFiles, TreeFoldersFollowTheInstallFolders) {
  struct Case {
    const char* runtime;
    const char* libdir;
    const char* sysconfdir;
    const char* modules;
    const char* administrator;
  };
  const Case cases[] = {
      {"/usr/lib/x86_64-linux-gnu", "lib/x86_64-linux-gnu", "etc", "/usr/lib/x86_64-linux-gnu/kvqmxtmr",
       "/etc/kvqmxtmr"},
      {"/usr/lib/x86_64-linux-gnu", "lib/x86_64-linux-gnu", "/etc", "/usr/lib/x86_64-linux-gnu/kvqmxtmr",
       "/etc/kvqmxtmr"},
      {"/home/u/.local/lib/x86_64-linux-gnu", "lib/x86_64-linux-gnu", "etc",
       "/home/u/.local/lib/x86_64-linux-gnu/kvqmxtmr", "/home/u/.local/etc/kvqmxtmr"},
      {"/opt/whorlix/lib/x86_64-linux-gnu/", "lib/x86_64-linux-gnu/", "etc", "/opt/whorlix/lib/x86_64-linux-gnu/kvqmxtmr",
       "/opt/whorlix/etc/kvqmxtmr"},
      {"/usr/local/lib", "lib", "etc", "/usr/local/lib/kvqmxtmr", "/usr/local/etc/kvqmxtmr"},
      {"/lib/x86_64-linux-gnu", "lib/x86_64-linux-gnu", "etc", "/lib/x86_64-linux-gnu/kvqmxtmr", "/etc/kvqmxtmr"},
      // Not P/<libdir>: a build tree, or a folder that only ends alike.
      {"/src/kit/build/test/bin", "lib/x86_64-linux-gnu", "etc", "/src/kit/build/test/bin", "/src/kit/build/test/bin"},
      {"/src/x86_64-linux-gnu", "lib/x86_64-linux-gnu", "etc", "/src/x86_64-linux-gnu", "/src/x86_64-linux-gnu"},
      {"/x86_64-linux-gnu", "lib/x86_64-linux-gnu", "etc", "/x86_64-linux-gnu", "/x86_64-linux-gnu"},
  };
  for (const Case& c : cases) {
    const platform::TreeFolders folders = platform::FoldersFor(c.runtime, c.libdir, c.sysconfdir);
    EXPECT_EQ(folders.modules, c.modules) << c.runtime << " " << c.libdir << " " << c.sysconfdir;
    EXPECT_EQ(folders.administrator, c.administrator) << c.runtime << " " << c.libdir << " " << c.sysconfdir;
  }
}

// Class lookups see the per-user file over the machine one: a key the
// per-user file holds answers with its own values only, a key only the
// machine file holds is found there, sub-keys come from both.
TEST(RegistryMerge, PerUserKeysAnswerForThemselvesAndMachineOnlyKeysAreFound) {
  TempDir dir;
  Registry user(dir.path() / "user.reg"), machine(dir.path() / "machine.reg");
  const std::string both = "CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32";
  const std::string machineOnly = "CLSID\\{66666666-2222-3333-4444-555555555555}\\InprocServer32";
  const std::string userOnly = "CLSID\\{00000000-2222-3333-4444-555555555555}\\InprocServer32";
  machine.SetString(ClassesKey(both, RegistryScope::Machine), "", "/usr/lib/kvqmxtmr/a.ocx");
  machine.SetString(ClassesKey(both, RegistryScope::Machine), "ThreadingModel", "Apartment");
  machine.SetString(ClassesKey(machineOnly, RegistryScope::Machine), "", "/usr/lib/kvqmxtmr/b.ocx");
  user.SetString(ClassesKey(both), "", "/home/u/a.ocx");
  user.SetString(ClassesKey(userOnly), "", "/home/u/c.ocx");
  EXPECT_EQ(ClassesKey(both, RegistryScope::Machine), "HKEY_LOCAL_MACHINE\\Software\\Classes\\" + both);

  const ClassesView view(user.Read(), machine.Read());
  EXPECT_EQ(view.GetString(both, ""), "/home/u/a.ocx");
  EXPECT_EQ(view.GetString(both, "ThreadingModel"), std::nullopt);  // the per-user key has none
  EXPECT_EQ(view.Source(both), RegistryScope::User);
  EXPECT_EQ(view.GetString(machineOnly, ""), "/usr/lib/kvqmxtmr/b.ocx");
  EXPECT_EQ(view.Source(machineOnly), RegistryScope::Machine);
  EXPECT_EQ(view.GetString(userOnly, ""), "/home/u/c.ocx");
  EXPECT_EQ(view.Source("CLSID\\{99999999-2222-3333-4444-555555555555}"), std::nullopt);
  EXPECT_EQ(view.SubKeys("CLSID"), (std::vector<std::string>{"{00000000-2222-3333-4444-555555555555}",
                                                               "{11111111-2222-3333-4444-555555555555}",
                                                               "{66666666-2222-3333-4444-555555555555}"}));
  // A per-user key that leaves out a sub-key does not hide the machine's.
  user.DeleteTree(ClassesKey(both));
  user.SetString(ClassesKey("CLSID\\{11111111-2222-3333-4444-555555555555}\\ProgID"), "", "Own.Name");
  const ClassesView after(user.Read(), machine.Read());
  EXPECT_EQ(after.GetString(both, ""), "/usr/lib/kvqmxtmr/a.ocx");

  // The machine's classes: an administrator's registrations over the tree's
  // own, and the user's over both.
  Registry installed(dir.path() / "installed.reg");
  const std::string installedOnly = "CLSID\\{77777777-2222-3333-4444-555555555555}\\InprocServer32";
  installed.SetString(ClassesKey(machineOnly, RegistryScope::Machine), "", "/usr/lib/kvqmxtmr/old-b.ocx");
  installed.SetString(ClassesKey(installedOnly, RegistryScope::Machine), "", "/usr/lib/kvqmxtmr/d.ocx");
  installed.SetString(ClassesKey(userOnly, RegistryScope::Machine), "", "/usr/lib/kvqmxtmr/c.ocx");
  const ClassesView three(user.Read(), machine.Read(), installed.Read());
  EXPECT_EQ(three.GetString(machineOnly, ""), "/usr/lib/kvqmxtmr/b.ocx");
  EXPECT_EQ(three.GetString(installedOnly, ""), "/usr/lib/kvqmxtmr/d.ocx");
  EXPECT_EQ(three.Source(installedOnly), RegistryScope::Machine);
  EXPECT_EQ(three.GetString(userOnly, ""), "/home/u/c.ocx");
  EXPECT_EQ(three.Source(userOnly), RegistryScope::User);
  EXPECT_TRUE(three.InMachine(userOnly));
  EXPECT_FALSE(after.InMachine(userOnly));
  EXPECT_EQ(three.SubKeys("CLSID").size(), 4u);

  // Either file unreadable is an error naming it, as the per-user one alone was.
  ScopedEnv userFile("KV_REGISTRY_FILE", user.File().string());
  ScopedEnv machineFile("KV_MACHINE_REGISTRY_FILE", machine.File().string());
  EXPECT_EQ(ClassesView::Read().GetString(machineOnly, ""), "/usr/lib/kvqmxtmr/b.ocx");
  WriteBytes(machine.File(), "not a registry\n");
  try {
    (void)ClassesView::Read();
    ADD_FAILURE() << "a malformed machine file was read";
  } catch (const platform::Error& e) {
    EXPECT_EQ(e.code(), REGDB_E_READREGDB);
    EXPECT_NE(std::string(e.what()).find(machine.File().string()), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadBytes(machine.File()), "not a registry\n");
  std::filesystem::remove(machine.File());
  EXPECT_EQ(ClassesView::Read().GetString(userOnly, ""), "/home/u/c.ocx");  // missing: empty
}

}  // namespace
}  // namespace com
