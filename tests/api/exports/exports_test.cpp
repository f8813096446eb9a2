// The exported functions, through libnpOrvane.so.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "core/api/npOrvane.h"
#include "support/temp_dir.h"

namespace {

constexpr int32_t kParam = 0x1002;
constexpr int32_t kUninitialized = 0x1010;
constexpr int32_t kProvider = 0x1011;
constexpr int32_t kBufferTooSmall = 0x1013;
constexpr int32_t kUnrealized = 0x1014;
constexpr int32_t kUnsupportedAlg = 0x1009;

class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ZT_Initialize("soft_file", 3, keys.str().c_str(), &handle), 0);
    ASSERT_NE(handle, nullptr);
  }
  void TearDown() override { EXPECT_EQ(ZT_UnInitialize(handle), 0); }

  std::string LastMessage() {
    char text[1024] = {};
    uint32_t len = sizeof text;
    EXPECT_EQ(ZT_GetLastErrorMsg(handle, text, &len), 0);
    return std::string(text, len);
  }

  orvane::testing::TempDir keys;
  ZT_HANDLE handle = nullptr;
  char out[4096] = {};
  uint32_t len = sizeof out;
};

TEST(Exports, VersionNeedsSevenBytesAndWritesNoTerminator) {
  char out[8];
  std::memset(out, '#', sizeof out);
  uint32_t len = 7;
  ASSERT_EQ(ZT_GetVersion(out, &len), 0);
  EXPECT_EQ(len, 7u);
  EXPECT_EQ(std::string(out, 8), "2.1.0.0#");

  len = 6;
  EXPECT_EQ(ZT_GetVersion(out, &len), kBufferTooSmall);
  EXPECT_EQ(len, 6u);
  EXPECT_EQ(ZT_GetVersion(nullptr, &len), kParam);
  EXPECT_EQ(ZT_GetVersion(out, nullptr), kParam);
}

TEST(Exports, FailedInitializeLeavesTheHandleAsItWas) {
  ZT_HANDLE handle = reinterpret_cast<ZT_HANDLE>(0x1234);
  EXPECT_EQ(ZT_Initialize("", 1, "", &handle), kProvider);
  EXPECT_EQ(ZT_Initialize(nullptr, 1, "", &handle), kParam);
  EXPECT_EQ(ZT_Initialize("soft_file", 4, "", &handle), kUnsupportedAlg);
  EXPECT_EQ(ZT_Initialize("soft_file", 1, "", nullptr), kParam);
  EXPECT_EQ(handle, reinterpret_cast<ZT_HANDLE>(0x1234));
}

// Stores that this build cannot reach answer "Provider error".
TEST(Exports, StoresNotInThisBuildAreAProviderError) {
  for (const char* prov : {"soft_ie", "SKF&", "SKF&lib.dll", "SKF_SHECA&x.dll", "SHECA&m.dll", "Some CSP"}) {
    ZT_HANDLE handle = nullptr;
    EXPECT_EQ(ZT_Initialize(prov, 1, "", &handle), kProvider) << prov;
    EXPECT_EQ(handle, nullptr);
  }
}

// A null handle answers 0x1010, but the pointer checks listed for a function
// come first.
struct NullCase {
  const char* name;
  std::function<int32_t()> call;
  int32_t expected;
  friend void PrintTo(const NullCase& c, std::ostream* os) { *os << c.name; }
};

class NullArguments : public ::testing::TestWithParam<NullCase> {};

char g_out[64];
uint32_t g_len = sizeof g_out;

INSTANTIATE_TEST_SUITE_P(
    Exports, NullArguments,
    ::testing::Values(
        NullCase{"MakeP10NullOutBeforeHandle", [] { return ZT_MakeP10(nullptr, "CN=a", 1, nullptr, &g_len); }, kParam},
        NullCase{"GenKeyPairNullOut", [] { return ZT_GenKeyPair(nullptr, nullptr, &g_len); }, kParam},
        NullCase{"GenRandomNullHandle", [] { return ZT_GenRandom(nullptr, 10, g_out, &g_len); }, kUninitialized},
        NullCase{"GetCertNullHandle", [] { return ZT_GetCert(nullptr, 1, g_out, &g_len); }, kUninitialized},
        NullCase{"SignNullData", [] { return ZT_SignData(nullptr, nullptr, 1, g_out, &g_len); }, kParam},
        NullCase{"SignNullHandle", [] { return ZT_SignData(nullptr, "x", 1, g_out, &g_len); }, kUninitialized},
        NullCase{"SaveCertNullText", [] { return ZT_SaveCert(nullptr, "a", nullptr, "c"); }, kParam},
        NullCase{"VerifyNullCert", [] { return ZT_VerifySignData(nullptr, "a", "b", nullptr, 1); }, kParam},
        NullCase{"SymmEncryptNullOut", [] { return ZT_SymmEncrypt(nullptr, "a", "k", 1, nullptr, &g_len); }, kParam},
        NullCase{"OpenEnvelopeNullHandle", [] { return ZT_OpenEnvelope(nullptr, "e", g_out, &g_len); },
                 kUninitialized},
        NullCase{"FileNullOutput", [] { return ZT_SymmDecryptFile(nullptr, "a", nullptr, "k", 1); }, kParam},
        NullCase{"OidNull", [] { return ZT_GetCertInfoByOid(nullptr, "c", nullptr, g_out, &g_len); }, kParam},
        NullCase{"SealNull", [] { return ZT_VerifySeal(nullptr, nullptr); }, kParam},
        NullCase{"UnInitializeNull", [] { return ZT_UnInitialize(nullptr); }, kUninitialized},
        NullCase{"SetParamNullHandle", [] { return ZT_SetParam(nullptr, "a", "b"); }, kUninitialized},
        NullCase{"LastErrorCodeNull", [] { return ZT_GetLastErrorCode(nullptr); }, kUninitialized},
        NullCase{"LastErrorMsgNull", [] { return ZT_GetLastErrorMsg(nullptr, g_out, &g_len); }, kUninitialized}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_P(NullArguments, AnswerTheirCode) { EXPECT_EQ(GetParam().call(), GetParam().expected); }

TEST_F(ExportsTest, UncheckedPointersAreRefusedInsteadOfFollowed) {
  EXPECT_EQ(ZT_GenRandom(handle, 10, nullptr, &len), kParam);
  EXPECT_EQ(ZT_GenRandom(handle, 10, out, nullptr), kParam);
  EXPECT_EQ(ZT_GetCert(handle, 1, nullptr, &len), kParam);
  EXPECT_EQ(ZT_MakeP10(handle, nullptr, 1, out, &len), kParam);
  EXPECT_EQ(ZT_SetParam(handle, nullptr, "v"), kParam);
  EXPECT_EQ(ZT_GetParam(handle, "name", nullptr), kParam);
  EXPECT_EQ(ZT_VerifyPin(handle, nullptr), kParam);
  EXPECT_EQ(ZT_ModifyPin(handle, "1", nullptr), kParam);
  EXPECT_EQ(ZT_UnlockPin(handle, nullptr, "1"), kParam);
  EXPECT_EQ(ZT_GetLastErrorMsg(handle, out, nullptr), kParam);
  // None of this reached the context.
  EXPECT_EQ(ZT_GetLastErrorCode(handle), 0);
}

TEST_F(ExportsTest, FreshHandleHasNoError) {
  EXPECT_EQ(ZT_GetLastErrorCode(handle), 0);
  EXPECT_EQ(LastMessage(), "Success");
}

TEST_F(ExportsTest, FailedOperationLeavesItsCodeAndMessage) {
  EXPECT_EQ(ZT_GenRandom(handle, 0, out, &len), kParam);
  EXPECT_EQ(ZT_GetLastErrorCode(handle), kParam);
  EXPECT_EQ(LastMessage(), "Parameter error");
  EXPECT_EQ(ZT_GetLastErrorCode(handle), kParam);  // reading did not change it

  EXPECT_EQ(ZT_GetCert(handle, 3, out, &len), 0x2033);
  EXPECT_EQ(LastMessage(), "Unsupport cert type");
}

TEST_F(ExportsTest, OperationsStillToComeSayUnrealized) {
  EXPECT_EQ(ZT_GenKeyPair(handle, out, &len), kUnrealized);
  EXPECT_EQ(LastMessage(), "Unrealized");
  EXPECT_EQ(ZT_SignData(handle, "data", 1, out, &len), kUnrealized);
  EXPECT_EQ(len, sizeof out);
}

TEST_F(ExportsTest, SoftFileStoreRefusesWhatItDoesNotOffer) {
  EXPECT_EQ(ZT_ModifyPin(handle, "1", "2"), 0x1003);
  EXPECT_EQ(ZT_RemoveCert(handle), 0x1003);
  EXPECT_EQ(ZT_GetSeal(handle, 1, out, &len), 0x1003);
  EXPECT_EQ(LastMessage(), "Unsupport error");
}

TEST_F(ExportsTest, TextOfExactlyTheCapacityFitsOneMoreByteDoesNot) {
  // "Success" is 7 bytes.
  char text[16];
  std::memset(text, '#', sizeof text);
  uint32_t cap = 6;
  EXPECT_EQ(ZT_GetLastErrorMsg(handle, text, &cap), kBufferTooSmall);
  EXPECT_EQ(cap, 6u);
  EXPECT_EQ(text[0], '#');
  cap = 7;
  ASSERT_EQ(ZT_GetLastErrorMsg(handle, text, &cap), 0);
  EXPECT_EQ(cap, 7u);
  EXPECT_EQ(std::string(text, 8), "Success#");
}

TEST_F(ExportsTest, BufferTooSmallIsOnlyReturnedNotStored) {
  EXPECT_EQ(ZT_GetVersion(out, &len), 0);
  uint32_t cap = 2;
  EXPECT_EQ(ZT_GetLastErrorMsg(handle, out, &cap), kBufferTooSmall);
  EXPECT_EQ(ZT_GetLastErrorCode(handle), 0);
}

TEST_F(ExportsTest, ReinitialisingTheSameHandleIsNotPossibleButANewOneIs) {
  ZT_HANDLE second = nullptr;
  ASSERT_EQ(ZT_Initialize("soft_file", 1, (keys.str() + "?Cont2").c_str(), &second), 0);
  EXPECT_NE(second, handle);
  EXPECT_EQ(ZT_GenRandom(second, 0, out, &len), kParam);
  EXPECT_EQ(ZT_GetLastErrorCode(handle), 0);  // handles are independent
  EXPECT_EQ(ZT_UnInitialize(second), 0);
}

}  // namespace
