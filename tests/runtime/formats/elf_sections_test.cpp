#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "runtime/formats/elf_sections.h"
#include "runtime/formats/resource_file.h"
#include "runtime/platform/error.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put(std::vector<uint8_t>& b, size_t at, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.at(at + i) = static_cast<uint8_t>(v >> (8 * i));
}
uint64_t Get(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
  return v;
}

int32_t Code(const std::vector<uint8_t>& image) {
  try {
    (void)com::elf::ReadSections(image);
    return 0;
  } catch (const platform::Error& e) {
    return e.code();
  }
}

const com::elf::Section* Named(const std::vector<com::elf::Section>& all, const std::string& name) {
  for (const auto& s : all)
    if (s.name == name) return &s;
  return nullptr;
}

TEST(ElfSections, EmbeddedResourceSectionIsUnloadedDataEqualToTheResourceFile) {
  const auto sections = com::elf::ReadSectionsFromFile(KV_PROBE_MODULE);
  const auto* rsrc = Named(sections, ".rsrc");
  ASSERT_NE(nullptr, rsrc);
  EXPECT_EQ(1u, rsrc->type);               // program data
  EXPECT_EQ(0u, rsrc->flags & 0x2);        // not allocated: the loader never maps it
  const auto* text = Named(sections, ".text");
  ASSERT_NE(nullptr, text);
  EXPECT_NE(0u, text->flags & 0x2);
  const auto res = ReadAll(KV_PROBE_MODULE_RES);
  EXPECT_EQ(res.size(), rsrc->size);
  EXPECT_EQ(res, com::elf::ReadSectionFromFile(KV_PROBE_MODULE, ".rsrc"));
  EXPECT_FALSE(com::elf::ReadSectionFromFile(KV_PROBE_MODULE, ".no-such-section").has_value());

  const auto inMemory = com::elf::ReadSections(ReadAll(KV_PROBE_MODULE));
  ASSERT_EQ(sections.size(), inMemory.size());
  for (size_t i = 0; i < sections.size(); ++i) {
    EXPECT_EQ(sections[i].name, inMemory[i].name);
    EXPECT_EQ(sections[i].offset, inMemory[i].offset);
  }
}

TEST(ElfSections, MissingOrForeignFilesAreErrors) {
  try {
    (void)com::elf::ReadSectionsFromFile("/nonexistent/module.so");
    FAIL();
  } catch (const platform::Error& e) {
    EXPECT_EQ(platform::kErrorFileNotFound, e.code());
  }
  EXPECT_EQ(com::RESOURCE_E_BAD_MODULE, Code({}));
  EXPECT_EQ(com::RESOURCE_E_BAD_MODULE, Code(std::vector<uint8_t>(64, 0)));
  EXPECT_EQ(com::RESOURCE_E_BAD_MODULE, Code(com::WriteResourceFile({})));
}

TEST(ElfSections, MalformedHeadersAreRefused) {
  const auto good = ReadAll(KV_PROBE_MODULE);
  ASSERT_EQ(0, Code(good));
  const uint64_t shoff = Get(good, 0x28, 8);
  const uint64_t shnum = Get(good, 0x3C, 2);
  const uint64_t shstrndx = Get(good, 0x3E, 2);

  auto expectBad = [&](const std::function<void(std::vector<uint8_t>&)>& spoil, const char* what) {
    auto image = good;
    spoil(image);
    EXPECT_EQ(com::RESOURCE_E_BAD_MODULE, Code(image)) << what;
  };
  expectBad([](auto& b) { b[4] = 1; }, "32-bit class");
  expectBad([](auto& b) { b[5] = 2; }, "big-endian");
  expectBad([&](auto& b) { Put(b, 0x28, b.size() - 10, 8); }, "section table past the end");
  expectBad([&](auto& b) { Put(b, 0x28, ~uint64_t{0} - 8, 8); }, "section table offset overflows");
  expectBad([&](auto& b) { Put(b, 0x3A, 40, 2); }, "wrong entry size");
  expectBad([&](auto& b) { Put(b, 0x3E, shnum + 3, 2); }, "name table index out of range");
  expectBad([&](auto& b) { Put(b, shoff + shstrndx * 64 + 0x18, b.size() + 1, 8); }, "name table outside");
  expectBad([&](auto& b) { Put(b, shoff + 1 * 64, 0x7FFFFFFF, 4); }, "section name outside its table");
  expectBad([&](auto& b) { Put(b, shoff + 1 * 64 + 0x20, b.size() * 2, 8); }, "section larger than the file");
  // Extended numbering: the count moves to section 0, which here lies.
  expectBad([&](auto& b) {
    Put(b, 0x3C, 0, 2);
    Put(b, shoff + 0x20, 0xFFFFFFFFFFull, 8);
  }, "extended section count");
  expectBad([&](auto& b) { b.resize(static_cast<size_t>(shoff + 64 * (shnum - 1))); }, "table cut short");
}

TEST(ElfSections, DamageToHeadersGivesAnErrorOrSections) {
  const auto good = ReadAll(KV_PROBE_MODULE);
  const auto shoff = static_cast<size_t>(Get(good, 0x28, 8));
  const auto tableEnd = shoff + static_cast<size_t>(Get(good, 0x3C, 2)) * 64;
  std::vector<size_t> positions;
  for (size_t at = 0; at < 64; ++at) positions.push_back(at);
  for (size_t at = shoff; at < tableEnd; ++at) positions.push_back(at);
  for (const size_t at : positions) {
    for (const uint8_t value : {uint8_t{0x00}, uint8_t{0xFF}}) {
      auto image = good;
      image[at] = value;
      const int32_t code = Code(image);
      ASSERT_TRUE(code == 0 || code == com::RESOURCE_E_BAD_MODULE) << "byte " << at;
    }
  }
}

}  // namespace
