#include "engine/smart_ptr.h"

#include <gtest/gtest.h>

namespace tarrowin {
namespace {

// Counts live instances; destroyed through a base pointer to prove the
// virtual destructor runs.
struct Base {
  virtual ~Base() = default;
};
struct Tracked : Base {
  static inline int alive = 0;
  int value = 0;
  Tracked() { ++alive; }
  explicit Tracked(int v) : value(v) { ++alive; }
  ~Tracked() override { --alive; }
};

class SmartPtrTest : public testing::Test {
 protected:
  void SetUp() override { Tracked::alive = 0; }
  void TearDown() override { EXPECT_EQ(Tracked::alive, 0); }
};

int CodeOf(const smart_ptr<Tracked>& p) {
  try {
    p.get();
  } catch (const smart_ptr_exception& e) {
    return e.Code();
  }
  return 0;
}

TEST_F(SmartPtrTest, ResetHoldsOneObject) {
  smart_ptr<Tracked> p;
  p.reset(new Tracked(7));
  EXPECT_EQ(p.get()->value, 7);
  EXPECT_EQ(p.element_count(), 1);
  EXPECT_EQ(p.index(), 0);
  EXPECT_EQ(p.use_count(), 1);
}

TEST_F(SmartPtrTest, ResetWithNullDestroysHeldObjectAndEmpties) {
  smart_ptr<Tracked> p(new Tracked);
  p.reset(nullptr);
  EXPECT_EQ(Tracked::alive, 0);
  EXPECT_TRUE(p.empty());
  EXPECT_EQ(p.element_count(), 0);
}

TEST_F(SmartPtrTest, ResetReplacesHeldObject) {
  smart_ptr<Tracked> p(new Tracked(1));
  p.reset(new Tracked(2));
  EXPECT_EQ(Tracked::alive, 1);
  EXPECT_EQ(p->value, 2);
}

TEST_F(SmartPtrTest, GetChecksEmptinessThenIndex) {
  smart_ptr<Tracked> p;
  EXPECT_EQ(CodeOf(p), 1);
  p.reset(new Tracked);
  p.set_index(1);
  EXPECT_EQ(CodeOf(p), 2);
  p.set_index(-1);
  EXPECT_EQ(CodeOf(p), 2);
  p.set_index(0);
  EXPECT_EQ(CodeOf(p), 0);
}

TEST_F(SmartPtrTest, ExceptionCarriesItsMessageAndIsAnIException) {
  smart_ptr<Tracked> p;
  try {
    p.get();
    FAIL() << "no exception";
  } catch (const IException& e) {
    EXPECT_EQ(std::u16string(e.Message()), u"smart ptr exception");
    EXPECT_EQ(e.Code(), 1);
    EXPECT_EQ(e.Detail(), 0);
  }
}

TEST_F(SmartPtrTest, ReleaseReportsReferencesLeftAndDestroysOnLast) {
  smart_ptr<Tracked> a(new Tracked);
  smart_ptr<Tracked> b = a;
  EXPECT_EQ(a.use_count(), 2);
  EXPECT_EQ(a.release(), 1);
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(Tracked::alive, 1);
  EXPECT_EQ(b.release(), 0);
  EXPECT_EQ(Tracked::alive, 0);
  EXPECT_EQ(b.release(), 0);  // releasing an empty holder is harmless
}

TEST_F(SmartPtrTest, CopyAssignAndMoveShareOneObject) {
  smart_ptr<Tracked> a(new Tracked(3));
  smart_ptr<Tracked> b(new Tracked(4));
  b = a;  // the object b held is destroyed
  EXPECT_EQ(Tracked::alive, 1);
  smart_ptr<Tracked> c = std::move(b);
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(c->value, 3);
  EXPECT_EQ(a.use_count(), 2);
  a = a;  // self-assignment keeps the object
  EXPECT_EQ(a->value, 3);
}

TEST_F(SmartPtrTest, DestructorDestroysThroughVirtualDestructor) {
  {
    smart_ptr<Base> p(new Tracked);
    EXPECT_EQ(Tracked::alive, 1);
  }
  EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(SmartPtrTest, ArrayIndexSelectsElementAndIsBoundsChecked) {
  smart_ptr<Tracked> p;
  Tracked* array = new Tracked[3];
  for (int i = 0; i < 3; ++i) array[i].value = 10 + i;
  p.reset_array(array, 3);
  EXPECT_EQ(p.element_count(), 3);
  p.set_index(2);
  EXPECT_EQ(p->value, 12);
  p.set_index(3);
  EXPECT_EQ(CodeOf(p), 2);
  p.release();
  EXPECT_EQ(Tracked::alive, 0);
}

TEST_F(SmartPtrTest, SingleElementArrayIsFreedAsAnArray) {
  // Under AddressSanitizer a delete of new[] memory is reported.
  smart_ptr<Tracked> p;
  p.reset_array(new Tracked[1], 1);
  EXPECT_EQ(p.element_count(), 1);
}

}  // namespace
}  // namespace tarrowin
