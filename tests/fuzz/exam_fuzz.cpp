// The class test's readers over untrusted bytes: a test file from the
// school's share and a class list from any program. Nothing may crash or
// hang; a test file that reads must write back to the same bytes, and every
// learner a list yields must be a name the test file can carry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "exam/class_list.h"
#include "exam/class_test.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kv::ClassTest test;
  std::string reason;
  if (kv::decodeClassTest(bytes, test, reason) == kv::TestFileError::None) {
    if (kv::encodeClassTest(test) != bytes) std::abort();
    (void)kv::learnerSeconds(test, "x");
  } else if (reason.empty()) {
    std::abort();
  }
  const kv::ClassListReading list = kv::readClassList(bytes, 600);
  if (list.learners.size() > kv::kMostLearners) std::abort();
  if (!list.learners.empty()) {
    kv::ClassTest carried;
    carried.id = "0123456789abcdef";
    carried.className = "8b";
    carried.lines = {"Text"};
    carried.learners = list.learners;
    kv::ClassTest back;
    if (kv::decodeClassTest(kv::encodeClassTest(carried), back, reason) != kv::TestFileError::None) std::abort();
    if (back.learners != list.learners) std::abort();
    (void)kv::classListText(list.learners, 600);
  }
  return 0;
}
