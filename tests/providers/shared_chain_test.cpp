#include <gtest/gtest.h>

#include "core/providers/sec_soft_impl.h"
#include "core/util/files.h"
#include "support/command.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

using testing::RunCommand;

// A root and an intermediate made by the openssl tool, delivered as a
// certificate bag; the user's database must then hold the root as trusted
// and the intermediate without trust of its own.
TEST(SharedChain, RootsAreTrustedIntermediatesAreKept) {
  testing::TempDir dir;
  testing::ScopedEnv db("ORVANE_NSSDB", dir.str() + "/nssdb");
  const std::string d = dir.str();
  const std::string make =
      "cd " + d + " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout root.key "
      "-subj '/CN=Chain Root' -addext basicConstraints=critical,CA:true -out root.pem && "
      "openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout mid.key -subj '/CN=Chain Mid' "
      "-out mid.csr && printf 'basicConstraints=critical,CA:true\\n' > ext && "
      "openssl x509 -req -in mid.csr -CA root.pem -CAkey root.key -CAcreateserial -extfile ext -out mid.pem && "
      "openssl crl2pkcs7 -nocrl -certfile root.pem -certfile mid.pem -outform DER -out chain.p7b";
  ASSERT_EQ(RunCommand("(" + make + ") >/dev/null 2>&1").exitCode, 0);
  std::string chain;
  ASSERT_TRUE(ReadFileToString(d + "/chain.p7b", chain));

  CSecSoftImpl provider("soft_file", 1, d);
  const auto* bytes = reinterpret_cast<const uint8_t*>(chain.data());
  ASSERT_EQ(provider.SaveCertChain(bytes, uint32_t(chain.size())), err::kOk);
  ASSERT_EQ(provider.SaveCertChain(bytes, uint32_t(chain.size())), err::kOk);  // already there: fine

  const std::string listing = RunCommand("certutil -L -d sql:" + d + "/nssdb").output;
  EXPECT_NE(listing.find("Chain Root"), std::string::npos) << listing;
  EXPECT_NE(listing.find("C,C,C"), std::string::npos) << listing;
  const auto mid = listing.find("Chain Mid");
  ASSERT_NE(mid, std::string::npos) << listing;
  EXPECT_NE(listing.find(",,", mid), std::string::npos) << listing;

  EXPECT_EQ(provider.SaveCertChain(bytes, 128), err::kParam);
  const std::string garbage(200, '\x30');
  EXPECT_EQ(provider.SaveCertChain(reinterpret_cast<const uint8_t*>(garbage.data()), 200), err::kDecodeP7);
}

}  // namespace
}  // namespace orvane
