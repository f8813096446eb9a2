#include <gtest/gtest.h>

#include <cstring>

#include "core/providers/cert_filter.h"
#include "core/providers/sec_soft_impl.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

class ParametersTest : public ::testing::Test {
 protected:
  std::string Get(const char* name) {
    char out[CSecBase::kParamCapacity];
    std::memset(out, 0, sizeof out);
    EXPECT_EQ(provider.GetParam(name, out), err::kOk) << name;
    return out;
  }
  CSecSoftImpl provider{"soft_file", 1, "/keys"};
};

TEST_F(ParametersTest, EnvelopeAlgorithmByName) {
  const std::pair<const char*, int32_t> cases[] = {
      {"SM1_ECB", 13}, {"AES_ECB", 5}, {"SM4_ECB", 11}, {"sm4_ecb", 11}, {"aes_ecb", 11}, {"", 11}};
  for (auto [value, expected] : cases) {
    ASSERT_EQ(provider.SetParam("SymmAlg", value), err::kOk);
    EXPECT_EQ(provider.envelopeSymmAlg(), expected) << value;
  }
}

TEST_F(ParametersTest, FlagsAreSetOnlyByTheirValues) {
  provider.SetParam("signtype", "pkcs1");
  provider.SetParam("DecryptCert", "Enc");
  EXPECT_FALSE(provider.pkcs7SignFlag());
  EXPECT_FALSE(provider.decryptWithSigningKey());
  provider.SetParam("signtype", "pksc7");
  provider.SetParam("DecryptCert", "SIGN");
  EXPECT_TRUE(provider.pkcs7SignFlag());
  EXPECT_TRUE(provider.decryptWithSigningKey());
  provider.SetParam("signtype", "pkcs1");  // only a signature clears it
  EXPECT_TRUE(provider.pkcs7SignFlag());
  provider.SetParam("SignType", "pkcs7");  // names are case-sensitive
  EXPECT_EQ(provider.SetParam("unknown", "x"), err::kOk);
}

TEST_F(ParametersTest, FilterPairsAccumulateUntilAnEmptyFilter) {
  provider.SetParam("filter", "SUBJECT_CN=Alice&ISSUER_O=Test CA");
  EXPECT_EQ(provider.filterMap(), (FilterMap{{"ISSUER_O", "Test CA"}, {"SUBJECT_CN", "Alice"}}));
  provider.SetParam("filter", "SUBJECT_CN=Bob&CERT_SN=0a1b");
  EXPECT_EQ(provider.filterMap(),
            (FilterMap{{"CERT_SN", "0a1b"}, {"ISSUER_O", "Test CA"}, {"SUBJECT_CN", "Alice"}}));
  EXPECT_EQ(provider.filterText(), "SUBJECT_CN=Bob&CERT_SN=0a1b");
  provider.SetParam("filter", "");
  EXPECT_TRUE(provider.filterMap().empty());
}

TEST(FilterText, ItemsAndTheirPairs) {
  const std::pair<const char*, FilterMap> cases[] = {
      {"ABC", {{"ABC", "ABC"}}},
      {"SUBJECT_CN=Alice&", {{"SUBJECT_CN", "Alice"}}},
      {"A=1=2", {{"A", "1=2"}}},
      {"A=&=B", {{"A", ""}, {"", "B"}}},
      {"&&", {{"", ""}}},
      {"K=v&K=w", {{"K", "v"}}},
  };
  for (const auto& [text, expected] : cases) {
    FilterMap map;
    ParseFilterText(text, map);
    EXPECT_EQ(map, expected) << text;
  }
}

TEST_F(ParametersTest, HostFactsByNameAndAlternativeName) {
  EXPECT_FALSE(Get("hostname").empty());
  EXPECT_EQ(Get("hostname"), Get("host_name"));
  EXPECT_EQ(Get("macaddress"), Get("mac_address"));
  EXPECT_EQ(Get("hostaddress"), Get("host_address"));
  EXPECT_EQ(Get("MacAddress"), "");
  EXPECT_EQ(Get("unknown"), "");
}

TEST_F(ParametersTest, DeviceVendorListWithoutTheLastSeparator) {
  testing::TempDir sysfs;
  testing::ScopedEnv env("ORVANE_USB_SYSFS", sysfs.str());
  EXPECT_EQ(Get("devicevid"), "");
  sysfs.Write("1-1/idVendor", "1234\n");
  sysfs.Write("1-1/idProduct", "0001\n");
  sysfs.Write("1-2/idVendor", "5678\n");
  sysfs.Write("1-2/idProduct", "0001\n");
  EXPECT_EQ(Get("devicevid"), "1234&&5678");
  EXPECT_EQ(Get("device_vid"), "1234&&5678");
}

}  // namespace
}  // namespace orvane
