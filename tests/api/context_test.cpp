#include "core/api/sec_context.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "api/recording_provider.h"
#include "core/util/base64.h"

namespace orvane {
namespace {

using testing::RecordingProvider;

class ContextTest : public ::testing::Test {
 protected:
  ContextTest()
      : context([this](const std::string& prov, int32_t keyType, const std::string& path) -> Result<ProviderPtr> {
          if (prov == "unbuilt") return err::kProvider;
          ++created;
          lastProviderString = prov;
          lastPath = path;
          auto made = std::make_unique<RecordingProvider>(keyType);
          provider = made.get();
          return ProviderPtr(std::move(made));
        }) {}

  void Init() { ASSERT_EQ(context.Initialize("test", 1, "dir"), err::kOk); }

  CSecContext context;
  RecordingProvider* provider = nullptr;
  int created = 0;
  std::string lastProviderString;
  std::string lastPath;
  char out[65536] = {};
};

std::string Text(size_t n, char c = 'A') { return std::string(n, c); }

// --- Initialisation ---------------------------------------------------------------

TEST_F(ContextTest, FailedArgumentChecksKeepTheCurrentProvider) {
  Init();
  CSecBase* before = context.provider();
  EXPECT_EQ(context.Initialize("", 1, "dir"), err::kProvider);
  EXPECT_EQ(context.Initialize(nullptr, 1, "dir"), err::kParam);
  EXPECT_EQ(context.lastError(), err::kParam);
  EXPECT_EQ(context.Initialize("test", 4, "dir"), err::kUnsupportedAlg);
  EXPECT_EQ(context.Initialize("test", -1, "dir"), err::kUnsupportedAlg);
  EXPECT_EQ(context.provider(), before);
  EXPECT_EQ(created, 1);
}

TEST_F(ContextTest, SameArgumentsReuseTheProviderAndOpenItAgain) {
  Init();
  CSecBase* first = context.provider();
  ASSERT_EQ(context.Initialize("test", 1, "dir"), err::kOk);
  EXPECT_EQ(context.provider(), first);
  EXPECT_EQ(provider->openCalls, 2);
  EXPECT_EQ(created, 1);
}

TEST_F(ContextTest, ChangingPathOrKeyTypeMakesANewProvider) {
  Init();
  ASSERT_EQ(context.Initialize("test", 1, "other"), err::kOk);
  EXPECT_EQ(created, 2);
  EXPECT_EQ(lastPath, "other");
  ASSERT_EQ(context.Initialize("test", 2, "other"), err::kOk);
  EXPECT_EQ(created, 3);
  EXPECT_EQ(context.keyType(), 2);
  EXPECT_EQ(provider->keyType(), 2);
}

TEST_F(ContextTest, FailedOpenLeavesNoProvider) {
  Init();
  provider->openAnswer = err::kConnectDevice;
  EXPECT_EQ(context.Initialize("test", 1, "dir"), err::kConnectDevice);
  EXPECT_EQ(context.provider(), nullptr);
  EXPECT_EQ(context.lastError(), err::kConnectDevice);
  EXPECT_EQ(context.GenKeyPair(out), err::kUninitialized);
}

TEST_F(ContextTest, ProviderThatCannotBeMadeLeavesNoProvider) {
  Init();
  EXPECT_EQ(context.Initialize("unbuilt", 1, "dir"), err::kProvider);
  EXPECT_EQ(context.provider(), nullptr);
}

TEST_F(ContextTest, NullPathCountsAsEmpty) {
  ASSERT_EQ(context.Initialize("test", 0, nullptr), err::kOk);
  EXPECT_EQ(lastPath, "");
}

TEST_F(ContextTest, OtherNamesPassThroughResolutionUnchanged) {
  ASSERT_EQ(context.Initialize("sheca", 3, ""), err::kOk);
  EXPECT_EQ(lastProviderString, "sheca");
  EXPECT_EQ(context.providerString(), "sheca");
}

// --- Argument checks ---------------------------------------------------------------

struct CheckCase {
  const char* name;
  std::function<Status(CSecContext&, char*)> call;
  Status expected;
  friend void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }
};

class ArgumentCheck : public ContextTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(ArgumentCheck, AnswersItsCodeStoresItAndLeavesTheProviderAlone) {
  Init();
  ASSERT_EQ(context.GenKeyPair(out), err::kOk);  // last error 0, provider touched once
  provider->lastSlot.clear();
  EXPECT_EQ(GetParam().call(context, out), GetParam().expected);
  EXPECT_EQ(context.lastError(), GetParam().expected);
  EXPECT_EQ(provider->lastSlot, "") << "the provider must not be called";
}

const std::string k512 = Text(512);
const std::string k20481 = Text(20481);
const std::string k12289 = Text(12289);
const std::string k20480 = Text(20480);

INSTANTIATE_TEST_SUITE_P(
    Context, ArgumentCheck,
    ::testing::Values(
        CheckCase{"GetCertType3", [](CSecContext& c, char* o) { return c.GetCert(3, {o, 100}); },
                  err::kUnsupportedCertType},
        CheckCase{"GetCertType0", [](CSecContext& c, char* o) { return c.GetCert(0, {o, 100}); },
                  err::kUnsupportedCertType},
        CheckCase{"GenKeyPairNullOut", [](CSecContext& c, char*) { return c.GenKeyPair({}); }, err::kParam},
        CheckCase{"GenRandomZero", [](CSecContext& c, char* o) { return c.GenRandom(0, {o, 4096}); }, err::kParam},
        CheckCase{"GenRandom1024", [](CSecContext& c, char* o) { return c.GenRandom(1024, {o, 4096}); },
                  err::kParam},
        CheckCase{"CertInfo512", [](CSecContext& c, char* o) { return c.GetCertInfo(k512.c_str(), 1, {o, 100}); },
                  err::kParam},
        CheckCase{"CertInfoNull", [](CSecContext& c, char* o) { return c.GetCertInfo(nullptr, 1, {o, 100}); },
                  err::kParam},
        CheckCase{"OidEmpty", [](CSecContext& c, char* o) { return c.GetCertInfoByOid((k512 + "A").c_str(), "", {o, 9}); },
                  err::kParam},
        CheckCase{"HashEmpty", [](CSecContext& c, char* o) { return c.HashData("", 1, {o, 100}); }, err::kParam},
        CheckCase{"HashFileEmpty", [](CSecContext& c, char* o) { return c.HashFile("", 1, {o, 100}); }, err::kParam},
        CheckCase{"Sign20481", [](CSecContext& c, char* o) { return c.SignData(k20481.c_str(), 1, {o, 65536}); },
                  err::kParam},
        CheckCase{"SignEmpty", [](CSecContext& c, char* o) { return c.SignData("", 1, {o, 65536}); }, err::kParam},
        CheckCase{"VerifyShortCert",
                  [](CSecContext& c, char*) { return c.VerifySignData("d", "s", k512.c_str(), 1); }, err::kParam},
        CheckCase{"VerifyEmptySig",
                  [](CSecContext& c, char*) { return c.VerifySignData("d", "", (k512 + "A").c_str(), 1); },
                  err::kParam},
        CheckCase{"P7Empty", [](CSecContext& c, char*) { return c.VerifyP7SignData(""); }, err::kParam},
        CheckCase{"P12NoPin", [](CSecContext& c, char*) { return c.ImportP12Cert(2, "AAAA", ""); }, err::kParam},
        CheckCase{"Encrypt12289",
                  [](CSecContext& c, char* o) { return c.SymmEncrypt(k12289.c_str(), "k", 1, {o, 65536}); },
                  err::kParam},
        CheckCase{"EncryptNoKey", [](CSecContext& c, char* o) { return c.SymmEncrypt("d", "", 1, {o, 65536}); },
                  err::kParam},
        CheckCase{"Decrypt20481",
                  [](CSecContext& c, char* o) { return c.SymmDecrypt(k20481.c_str(), "k", 1, {o, 65536}); },
                  err::kParam},
        CheckCase{"FileAlgZero", [](CSecContext& c, char*) { return c.SymmEncryptFile("a", "b", "k", 0); },
                  err::kParam},
        CheckCase{"FileNoOutput", [](CSecContext& c, char*) { return c.SymmDecryptFile("a", "", "k", 1); },
                  err::kParam},
        CheckCase{"Envelope12289",
                  [](CSecContext& c, char* o) { return c.MakeEnvelope(k12289.c_str(), "c", {o, 65536}); },
                  err::kParam},
        CheckCase{"OpenEnvelope20480",
                  [](CSecContext& c, char* o) { return c.OpenEnvelope(k20480.c_str(), {o, 65536}); }, err::kParam},
        CheckCase{"CertChain512", [](CSecContext& c, char*) { return c.SaveCertChain(k512.c_str()); }, err::kParam},
        CheckCase{"SaveCertNothing", [](CSecContext& c, char*) { return c.SaveCert("", "", ""); }, err::kParam},
        CheckCase{"SaveCertEncWithoutKey",
                  [](CSecContext& c, char*) { return c.SaveCert("", (k512 + "A").c_str(), ""); }, err::kParam},
        CheckCase{"SaveCertExactly512",
                  [](CSecContext& c, char*) { return c.SaveCert(k512.c_str(), "", ""); }, err::kParam},
        CheckCase{"SealEmpty", [](CSecContext& c, char*) { return c.VerifySeal(""); }, err::kParam},
        CheckCase{"PinNull", [](CSecContext& c, char*) { return c.VerifyPin(nullptr); }, err::kParam}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ContextTest, EveryOperationNeedsAProvider) {
  const std::string cert = Text(600);
  const std::vector<std::function<Status()>> operations = {
      [&] { return context.SetParam("a", "b"); },
      [&] { return context.GenKeyPair(out); },
      [&] { return context.GetCert(3, out); },  // the provider is checked first
      [&] { return context.GenRandom(0, out); },
      [&] { return context.SignData("x", 1, out); },
      [&] { return context.SaveCert(nullptr, nullptr, nullptr); },
      [&] { return context.VerifyPin("1"); },
      [&] { return context.RemoveCert(); },
      [&] { return context.GetDeviceStatus(); },
      [&] { return context.GetSeal(1, out); },
  };
  for (const auto& operation : operations) {
    context.GetVersion(out);  // resets the last error to 0
    EXPECT_EQ(operation(), err::kUninitialized);
    EXPECT_EQ(context.lastError(), err::kUninitialized);
  }
}

// --- Limits that are still accepted ---------------------------------------------------

TEST_F(ContextTest, LongestAcceptedArgumentsReachTheProvider) {
  Init();
  EXPECT_EQ(context.SignData(Text(20480).c_str(), 1, out), err::kOk);
  EXPECT_EQ(provider->args[0].size(), 20480u);
  EXPECT_EQ(context.SymmEncrypt(Text(12288).c_str(), "k", 1, out), err::kOk);
  EXPECT_EQ(context.MakeEnvelope(Text(12288).c_str(), "QUJD", out), err::kOk);
  EXPECT_EQ(provider->args[1], "ABC");
  EXPECT_EQ(context.GetCertInfo(Text(513).c_str(), 5, out), err::kOk);
  EXPECT_EQ(provider->lastNumber, 5);
  EXPECT_EQ(context.OpenEnvelope(Text(20476).c_str(), out), err::kOk);
}

// --- Base64 framing ----------------------------------------------------------------------

TEST_F(ContextTest, BinaryResultsAreEncodedAndTextResultsAreNot) {
  Init();
  provider->output = "Hi!";
  ASSERT_EQ(context.GenKeyPair(out), err::kOk);
  EXPECT_STREQ(out, "SGkh");
  EXPECT_EQ(provider->lastCapacity, 1024u);

  std::fill(std::begin(out), std::end(out), '\0');
  ASSERT_EQ(context.GetCertInfo(Text(600).c_str(), 22, out), err::kOk);
  EXPECT_STREQ(out, "SGkh");

  std::fill(std::begin(out), std::end(out), '\0');
  ASSERT_EQ(context.GetCertInfo(Text(600).c_str(), 17, out), err::kOk);
  EXPECT_STREQ(out, "Hi!");

  std::fill(std::begin(out), std::end(out), '\0');
  ASSERT_EQ(context.SymmDecrypt("QUJD", "key", 12, out), err::kOk);
  EXPECT_STREQ(out, "Hi!");
  EXPECT_EQ(provider->args, (std::vector<std::string>{"key", "key", "ABC"}));
  EXPECT_EQ(provider->lastNumber, 12);
}

TEST_F(ContextTest, InputTypeBase64DecodesSignedDataWithoutReachingTheProvider) {
  Init();
  ASSERT_EQ(context.SignData("QUJD", 2, out), err::kOk);
  EXPECT_EQ(provider->args[0], "QUJD");

  provider->lastSlot.clear();
  ASSERT_EQ(context.SetParam("intype", "text"), err::kOk);
  EXPECT_FALSE(context.inputIsBase64());
  ASSERT_EQ(context.SetParam("intype", "base64"), err::kOk);
  EXPECT_EQ(provider->lastSlot, "");
  EXPECT_TRUE(context.inputIsBase64());

  ASSERT_EQ(context.SignData("QUJD", 2, out), err::kOk);
  EXPECT_EQ(provider->args[0], "ABC");
  ASSERT_EQ(context.VerifySignData("QUJD", "AAAA", Text(600).c_str(), 0), err::kOk);
  EXPECT_EQ(provider->args[0], "ABC");

  // Any other value leaves the flag as it is.
  ASSERT_EQ(context.SetParam("signintype", "text"), err::kOk);
  EXPECT_TRUE(context.inputIsBase64());
  // Other names go to the provider.
  ASSERT_EQ(context.SetParam("signtype", "pkcs7"), err::kOk);
  EXPECT_EQ(provider->lastSlot, "SetParam");
}

TEST_F(ContextTest, GenRandomDeliversExactlyLenAlphabetCharacters) {
  Init();
  for (int32_t len : {1, 2, 3, 4, 1023}) {
    std::fill(std::begin(out), std::end(out), '\0');
    ASSERT_EQ(context.GenRandom(len, out), err::kOk) << len;
    const std::string text = out;
    EXPECT_EQ(text.size(), static_cast<size_t>(len));
    EXPECT_EQ(text.find('='), std::string::npos);
  }
}

TEST_F(ContextTest, SaveCertChoosesTheSlotByWhatIsPresent) {
  Init();
  const std::string a = Base64Encode(std::string(400, 'a'));  // 536 characters
  const std::string b = Base64Encode(std::string(400, 'b'));
  const std::string c = Base64Encode(std::string(400, 'c'));
  ASSERT_EQ(context.SaveCert(a.c_str(), "", ""), err::kOk);
  EXPECT_EQ(provider->lastSlot, "SaveSignCert");
  EXPECT_EQ(provider->args[0], std::string(400, 'a'));
  ASSERT_EQ(context.SaveCert(a.c_str(), b.c_str(), c.c_str()), err::kOk);
  EXPECT_EQ(provider->lastSlot, "SaveSignAndEncCert");
  EXPECT_EQ(provider->args[2], std::string(400, 'c'));
  ASSERT_EQ(context.SaveCert(nullptr, b.c_str(), c.c_str()), err::kOk);
  EXPECT_EQ(provider->lastSlot, "SaveEncCert");
  EXPECT_EQ(context.SaveCert(a.c_str(), b.c_str(), ""), err::kParam);
}

// --- Results and the last error ------------------------------------------------------------

TEST_F(ContextTest, ProviderFailureIsStoredAndNothingIsWritten) {
  Init();
  provider->answer = err::kSignData;
  EXPECT_EQ(context.SignData("abc", 1, out), err::kSignData);
  EXPECT_EQ(context.lastError(), err::kSignData);
  EXPECT_EQ(out[0], '\0');
  int32_t code = 0;
  ASSERT_EQ(context.GetLastErrorCode(&code), err::kOk);
  EXPECT_EQ(code, err::kSignData);
  EXPECT_EQ(context.lastError(), err::kSignData);  // reading it does not change it
}

TEST_F(ContextTest, ResultThatDoesNotFitIsRefusedWithoutOverrun) {
  Init();
  provider->output = std::string(300, 'x');
  char small[64] = {};
  EXPECT_EQ(context.GenKeyPair({small, 63}), err::kBufferTooSmall);
  EXPECT_EQ(small[0], '\0');
}

TEST_F(ContextTest, GetVersionWritesSevenBytesAndClearsTheLastError) {
  Init();
  context.GenRandom(0, out);
  ASSERT_EQ(context.lastError(), err::kParam);
  ASSERT_EQ(context.GetVersion(out), err::kOk);
  EXPECT_STREQ(out, "2.1.0.0");
  EXPECT_EQ(context.lastError(), 0);
}

}  // namespace
}  // namespace orvane
