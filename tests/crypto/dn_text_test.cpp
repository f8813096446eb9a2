#include "core/crypto/dn_text.h"

#include <gtest/gtest.h>

#include <string>

#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

// "SN=value" per entry in the name's order; every value must be a
// UTF8String in its own RDN.
std::string Describe(X509_NAME* name) {
  std::string out;
  for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
    const X509_NAME_ENTRY* e = X509_NAME_get_entry(name, i);
    const ASN1_STRING* v = X509_NAME_ENTRY_get_data(e);
    EXPECT_EQ(ASN1_STRING_type(v), V_ASN1_UTF8STRING);
    EXPECT_EQ(X509_NAME_ENTRY_set(e), i);
    if (!out.empty()) out += ",";
    out += OBJ_nid2sn(OBJ_obj2nid(X509_NAME_ENTRY_get_object(e)));
    out += "=";
    out.append(reinterpret_cast<const char*>(ASN1_STRING_get0_data(v)), ASN1_STRING_length(v));
  }
  return out;
}

TEST(DnText, Parse) {
  struct Case {
    const char* text;
    Status status;
    const char* name;
  } cases[] = {
      {"C=CN,O=Org,CN=Name", 0, "C=CN,CN=Name,O=Org"},  // key order, not text order
      {"CN=Name", err::kDnFormat, ""},
      {"CN=Name,X=1", 0, "CN=Name"},                    // unknown keys count, then are ignored
      {"C=CN, O=Org", 0, "C=CN"},                       // " O" is not a key
      {"CN=a=b,C=CN", 0, "C=CN,CN=a=b"},
      {"CN=First,CN=Second,C=CN", 0, "C=CN,CN=First"},  // the first value stays
      {"CN=,C=CN,O=x", 0, "C=CN,O=x"},                  // empty value skipped
      {",,=x,C=CN,,noequals,O=x,", 0, "C=CN,O=x"},
      {"CN=x,CN=y", err::kDnFormat, ""},                // two items, one key: one pair
      {"", err::kDnFormat, ""},
      {"emailAddress=a@b,E=c@d,S=s,ST=t,L=l,OU=u", 0,
       "emailAddress=c@d,L=l,OU=u,ST=s,ST=t,emailAddress=a@b"},
  };
  for (const auto& c : cases) {
    OsslPtr<X509_NAME> name(X509_NAME_new());
    EXPECT_EQ(ParseDnText(c.text, name.get()), c.status) << c.text;
    EXPECT_EQ(Describe(name.get()), c.name) << c.text;
  }
}

TEST(DnText, ValuesBecomeUtf8) {
  // The C/POSIX locale counts as UTF-8, so UTF-8 input passes unchanged.
  OsslPtr<X509_NAME> name(X509_NAME_new());
  ASSERT_EQ(ParseDnText("CN=\xE5\xBC\xA0\xE4\xB8\x89,C=CN", name.get()), 0);
  EXPECT_EQ(Describe(name.get()), "C=CN,CN=\xE5\xBC\xA0\xE4\xB8\x89");
}

TEST(DnText, OverlongValueIsRefused) {
  OsslPtr<X509_NAME> name(X509_NAME_new());
  const std::string text = "C=CN,CN=" + std::string(1025, 'a');
  EXPECT_EQ(ParseDnText(text, name.get()), err::kDnFormat);
  const std::string fits = "C=CN,CN=" + std::string(1024, 'a');
  EXPECT_EQ(ParseDnText(fits, name.get()), 0);
}

TEST(DnText, SetRequestSubject) {
  OsslPtr<X509_REQ> req(X509_REQ_new());
  ASSERT_EQ(SetRequestSubject(req.get(), "O=Org,C=CN"), 0);
  EXPECT_EQ(Describe(X509_REQ_get_subject_name(req.get())), "C=CN,O=Org");
  EXPECT_EQ(SetRequestSubject(req.get(), "O=Org"), err::kDnFormat);
}

}  // namespace
}  // namespace orvane
