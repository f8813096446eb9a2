#include <gtest/gtest.h>

#include "core/providers/provider_factory.h"
#include "core/providers/sec_soft_impl.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

TEST(ProviderSelection, PrefixesAreExactAndCaseSensitive) {
  const struct {
    const char* text;
    ProviderKind kind;
    const char* argument;
  } cases[] = {
      {"soft_file", ProviderKind::kSoftFile, "soft_file"},
      {"soft_ie", ProviderKind::kSoftIe, "soft_ie"},
      {"SKF&", ProviderKind::kSkf, ""},
      {"SKF&SKF_APP.dll", ProviderKind::kSkf, "SKF_APP.dll"},
      {"SKF_SHECA&mtoken_gm3000.dll", ProviderKind::kSkfSheca, "mtoken_gm3000.dll"},
      {"skf_sheca&mtoken_gm3000.dll", ProviderKind::kCsp, "skf_sheca&mtoken_gm3000.dll"},
      {"SHECA&shca_1d99.dll", ProviderKind::kSheca, "shca_1d99.dll"},
      {"soft_file ", ProviderKind::kCsp, "soft_file "},
      {"Microsoft Enhanced Cryptographic Provider v1.0", ProviderKind::kCsp,
       "Microsoft Enhanced Cryptographic Provider v1.0"},
  };
  for (const auto& c : cases) {
    const auto selection = SelectProvider(c.text);
    EXPECT_EQ(selection.kind, c.kind) << c.text;
    EXPECT_EQ(selection.argument, c.argument) << c.text;
  }
}

TEST(ProviderSelection, OnlyTheFileStoreIsBuiltSoFar) {
  auto soft = CreateProvider("soft_file", 3, "/keys");
  ASSERT_TRUE(soft.ok());
  EXPECT_NE(dynamic_cast<CSecSoftImpl*>(soft->get()), nullptr);
  EXPECT_EQ((*soft)->keyType(), 3);
  for (const char* text : {"", "soft_ie", "SKF&a.dll", "CSP name"}) {
    EXPECT_EQ(CreateProvider(text, 1, "").status(), err::kProvider) << text;
  }
}

TEST(SoftFileStore, PathNamesDirectoryAndContainer) {
  testing::ScopedEnv data("XDG_DATA_HOME", "/home/u/.data");
  testing::ScopedEnv tmp("TMPDIR", "/tmp");
  const struct {
    const char* path;
    const char* directory;
    const char* container;
    const char* folder;
  } cases[] = {
      {"", "/home/u/.data/orvane/Cont", "Cont1", "/home/u/.data/orvane/Cont/Cont1/"},
      {"/keys", "/keys", "Cont1", "/keys/Cont1/"},
      {"C:\\keys\\a", "C:/keys/a", "Cont1", "C:/keys/a/Cont1/"},
      {"/keys?Cont2", "/keys", "Cont2", "/keys/Cont2/"},
      {"/keys?a?b", "/keys", "a?b", "/keys/a?b/"},
      {"?Cont9", "", "Cont9", "/tmp//Cont9/"},
  };
  for (const auto& c : cases) {
    CSecSoftImpl soft("soft_file", 1, c.path);
    EXPECT_EQ(soft.keyDirectory(), c.directory) << c.path;
    EXPECT_EQ(soft.containerName(), c.container) << c.path;
    EXPECT_EQ(soft.Folder(), c.folder) << c.path;
    EXPECT_EQ(soft.Open(), err::kOk);
    EXPECT_EQ(soft.GetDeviceStatus(), err::kOk);
  }
}

TEST(SoftFileStore, DefaultDirectoryWithoutXdgDataHome) {
  testing::ScopedEnv data("XDG_DATA_HOME", "");
  testing::ScopedEnv home("HOME", "/home/v");
  EXPECT_EQ(CSecSoftImpl::DefaultKeyDirectory(), "/home/v/.local/share/orvane/Cont");
}

TEST(ProviderBase, DefaultAnswers) {
  CSecSoftImpl soft("soft_file", 0, "/keys");
  uint8_t out[16];
  uint32_t len = sizeof out;
  char version[8] = {};
  EXPECT_EQ(soft.GetVersion(version), err::kOk);
  EXPECT_EQ(std::string(version, 7), "2.1.0.0");
  EXPECT_EQ(soft.VerifyP7SignData(reinterpret_cast<const uint8_t*>("junk"), 4), err::kOk);
  EXPECT_EQ(soft.MakeEnvelope(0, out, 1, out, 1, out, &len), err::kUnsupported);
  EXPECT_EQ(soft.OpenEnvelope(out, 1, out, &len), err::kUnsupported);
  EXPECT_EQ(soft.ReservedOpA(0, 0, 0, 0), err::kUnsupported);
  EXPECT_EQ(soft.RemoveCert(), err::kUnsupported);
  EXPECT_EQ(soft.UnlockPin("1", "2"), err::kUnsupported);
  EXPECT_EQ(soft.VerifySeal("s", 1), err::kUnsupported);
  EXPECT_EQ(soft.GetCertKeyType(out, 1), -1);
  // Shared operations still to come say so instead of pretending.
  EXPECT_EQ(soft.GetCertInfo(out, 1, 1, out, &len), err::kUnrealized);
  EXPECT_EQ(soft.MakeP10("CN=a", 4, 1, out, &len), err::kUnrealized);
  EXPECT_EQ(soft.GenKeyPair(out, &len), err::kUnrealized);
}

}  // namespace
}  // namespace orvane
