#include "model/Parameter.h"

#include <gtest/gtest.h>

#include "model/Step.h"

namespace {

// Counts what the guarded setters of the cells it observes ask and tell,
// allowing or refusing every change.
struct CountingObserver : Parameter::ChangeObserver {
  explicit CountingObserver(bool allow) : allow(allow) {}
  bool mayChange(Parameter& cell, const Parameter& proposed) override {
    ++asked;
    proposedValue = proposed.value();
    valueWhenAsked = cell.value();
    return allow;
  }
  void cellChanged(Parameter&) override { ++told; }
  bool allow;
  int asked = 0, told = 0;
  int32_t proposedValue = 0, valueWhenAsked = 0;
};

Parameter signedCell() {
  Parameter p("C03", -15, -99, 999, "", "desc");
  p.setStorage(0, 20, 11);
  return p;
}

}  // namespace

TEST(Parameter, ConstructionClampsAndKeepsPairZero) {
  Parameter p("X", 2000, -99, 999, "grp", "описание");
  EXPECT_EQ(p.value(), 999);
  EXPECT_EQ(p.minValue(), -99);
  EXPECT_EQ(p.rangeCount(), 1);
  EXPECT_EQ(p.code(), "X");
  EXPECT_EQ(p.group(), "grp");
  EXPECT_EQ(p.bitWidth(), 0);

  Parameter unbounded(-7);
  EXPECT_EQ(unbounded.value(), -7);
  EXPECT_EQ(unbounded.minValue(), INT32_MIN);
  EXPECT_EQ(unbounded.maxValue(), INT32_MAX);
  EXPECT_EQ(unbounded.rangeCount(), 0);
}

TEST(Parameter, SignExtensionOnlyForSignedLimits) {
  Parameter s = signedCell();
  s.setValue(2047);
  EXPECT_EQ(s.value(), -1);
  s.setValue(1950);
  EXPECT_EQ(s.value(), -98);
  s.setValue(0x79D);
  EXPECT_EQ(s.value(), -99);
  s.setValue(0x400);  // -1024 after extension, clamped up to the lower limit
  EXPECT_EQ(s.value(), -99);

  Parameter u("P01", 0, 0, 999, "", "");
  u.setStorage(8106, 125, 10);
  u.setValue(1023);
  EXPECT_EQ(u.value(), 999);  // no extension: clamped to the upper limit

  // A number entered by a user or read from a file is never reinterpreted.
  Parameter typed = signedCell();
  typed.setEnteredValue(2000);
  EXPECT_EQ(typed.value(), 999);
  typed.setEnteredValue(2047);
  EXPECT_EQ(typed.value(), 999);
  s.setValue(2000);  // the same pattern as a raw 11-bit field is -48
  EXPECT_EQ(s.value(), -48);

  Parameter wide("W", 0, -5, 5, "", "");
  wide.setStorage(0, 0, 32);  // width 32: value used as it is
  wide.setValue(-3);
  EXPECT_EQ(wide.value(), -3);
}

TEST(Parameter, ClampsLowerLimitFirstThenUpper) {
  // With crossed limits the order shows: lower first, upper last wins.
  Parameter p("X", 0, 0, 10, "", "");
  p.addRange(20, 5);
  ASSERT_TRUE(p.selectRange(1));
  p.setValue(0);
  EXPECT_EQ(p.value(), 5);
  p.setValueQuiet(-100);
  EXPECT_EQ(p.value(), 5);
}

TEST(ParameterObserver, IsAskedTheClampedProposalBeforeAndToldAfter) {
  CountingObserver observer(true);
  Parameter p("O10", 2, 0, 7, "", "");
  p.setChangeObserver(&observer);
  p.setValue(50);
  EXPECT_EQ(observer.asked, 1);
  EXPECT_EQ(observer.proposedValue, 7);
  EXPECT_EQ(observer.valueWhenAsked, 2);
  EXPECT_EQ(p.value(), 7);
  EXPECT_EQ(observer.told, 1);
}

TEST(ParameterObserver, ARefusedOrUnchangedValueIsNeitherStoredNorTold) {
  CountingObserver observer(false);
  Parameter p("O10", 2, 0, 7, "", "");
  p.setChangeObserver(&observer);
  p.setValue(2);  // the current value: not even asked
  EXPECT_EQ(observer.asked, 0);
  p.setEnteredValue(3);
  EXPECT_EQ(observer.asked, 1);
  EXPECT_EQ(p.value(), 2);
  EXPECT_EQ(observer.told, 0);

  p.setValueQuiet(5);  // quiet stores never ask
  EXPECT_EQ(p.value(), 5);
  p.valueRef() = 100;  // valueRef bypasses limits too
  EXPECT_EQ(p.value(), 100);
  EXPECT_EQ(observer.asked, 1);
}

TEST(ParameterObserver, OnlyCellsGivenOneAreHeardNeitherTheirCopiesNorAfterItIsGone) {
  CountingObserver observer(true);
  Parameter own("C03", 0, -99, 999, "", "");
  Parameter other = own;
  own.setChangeObserver(&observer);
  Parameter copy(own);
  other = own;  // assignment keeps the target's observer: none
  copy.setEnteredValue(5);
  other.setEnteredValue(6);
  EXPECT_EQ(observer.told, 0);
  own = copy;
  own.setEnteredValue(7);
  EXPECT_EQ(observer.told, 1);
  {
    CountingObserver gone(false);
    other.setChangeObserver(&gone);
  }
  const CountingObserver later(false);
  other.setEnteredValue(8);  // heard by no one, not even an observer made since
  EXPECT_EQ(other.value(), 8);
  other.setChangeObserver(nullptr);
  EXPECT_EQ(other.changeObserver(), nullptr);
}

TEST(Parameter, SelectRange) {
  Parameter one("X", 5, 0, 10, "", "");
  EXPECT_FALSE(one.selectRange(1));
  EXPECT_FALSE(one.selectRange(-1));
  EXPECT_EQ(one.maxValue(), 10);

  Parameter p = signedCell();
  p.addRange(0, 99);
  const CountingObserver refusing(false);
  ASSERT_TRUE(p.selectRange(1));
  EXPECT_EQ(p.minValue(), 0);
  EXPECT_EQ(p.maxValue(), 99);
  EXPECT_EQ(p.value(), 0);  // -15 raised without asking

  for (int i = 2; i < Parameter::kMaxRanges; ++i) EXPECT_TRUE(p.addRange(i, i));
  EXPECT_FALSE(p.addRange(0, 0));  // the table holds 16 pairs
}

TEST(Parameter, AssignMergesTextsAndCopiesTheRest) {
  Parameter dst("DST", 1, 0, 10, "g", "old");
  Parameter src(77);
  src.setStorage(8106, 40, 9);
  src.addRange(-5, 500);
  src.setDescription("new");
  dst.assign(src);
  EXPECT_EQ(dst.code(), "DST");  // empty source code keeps the destination's
  EXPECT_EQ(dst.group(), "g");
  EXPECT_EQ(dst.description(), "new");
  EXPECT_EQ(dst.value(), 77);  // no clamping on assign
  EXPECT_EQ(dst.minValue(), INT32_MIN);
  EXPECT_EQ(dst.rangeCount(), 1);
  EXPECT_EQ(dst.bitOffset(), 40);

  const Parameter copy(dst);  // copy = empty cell + assign
  EXPECT_EQ(copy.code(), "DST");
}

TEST(Parameter, SameAsComparesValueLimitsCodeAndWidth) {
  Parameter a("C01", 1, 1, 7, "", "one");
  Parameter b("C01", 1, 1, 7, "x", "two");
  a.setStorage(0, 14, 3);
  b.setStorage(8106, 67, 3);
  b.addRange(0, 1);
  EXPECT_TRUE(Parameter::sameAs(a, b));
  b.setCode("c01");
  EXPECT_FALSE(Parameter::sameAs(a, b));
  b.setCode("C01");
  b.setStorage(0, 14, 4);
  EXPECT_FALSE(Parameter::sameAs(a, b));
  b.setStorage(0, 14, 3);
  b.setValue(2);
  EXPECT_FALSE(Parameter::sameAs(a, b));
}

TEST(Parameter, LongTextsAreCutToTheirFields) {
  const std::string longCode(40, 'A');
  const std::string longDesc(600, 'd');
  Parameter p(longCode, 0, 0, 1, "", longDesc);
  EXPECT_EQ(p.code().size(), 15u);
  EXPECT_EQ(p.description().size(), 511u);
}

// A cell is its state and a pointer to what it is: every configuration's
// cells share the catalogue's entries, and changing what one cell is leaves
// the cells it was copied from or with as they were.
static_assert(sizeof(Parameter) <= 24, "a cell is its value, its limits and its entry");

TEST(Parameter, CellsShareEntriesUntilOneIsRedescribed) {
  const Step a, b;
  for (int i = 0; i < Step::kCellCount; ++i) EXPECT_EQ(&a[i].entry(), &b[i].entry()) << a[i].code();

  Parameter first = a[Step::U03], second = a[Step::U03];
  first.setDescription("x");
  second.setDescription("x");
  EXPECT_EQ(&first.entry(), &second.entry());  // equal entries are one
  EXPECT_NE(&first.entry(), &a[Step::U03].entry());
  EXPECT_NE(a[Step::U03].description(), "x");
  EXPECT_EQ(first.code(), "U03");  // the rest of what it is stays
  EXPECT_EQ(first.rangeCount(), 2);
  EXPECT_EQ(first.bitOffset(), a[Step::U03].bitOffset());

  second.setStorage(0, 1, 2);
  EXPECT_EQ(first.bitOffset(), a[Step::U03].bitOffset());
  second = a[Step::U03];  // a merge copy from a full entry takes that entry
  EXPECT_EQ(&second.entry(), &a[Step::U03].entry());
}
