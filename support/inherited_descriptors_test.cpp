// The record of inherited descriptors: what was open at the record, nothing else.
#include "support/inherited_descriptors.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(InheritedDescriptors, OnlyWhatWasOpenAtTheRecordCounts) {
  const int open = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(open, 0);
  // The highest recorded number, where the descriptor limit allows it.
  const int high = ::fcntl(open, F_DUPFD, kRecordedDescriptors - 1);
  recordInheritedDescriptors();
  EXPECT_TRUE(inheritedDescriptor(open));
  if (high >= 0) {
    EXPECT_TRUE(inheritedDescriptor(high));
  }
  ::close(open);
  EXPECT_TRUE(inheritedDescriptor(open));  // closed since, but handed over at start

  const int later = ::open("/dev/null", O_RDONLY);
  const int after = ::open("/dev/null", O_RDONLY);
  ASSERT_GE(after, 0);
  EXPECT_FALSE(inheritedDescriptor(after));
  recordInheritedDescriptors();
  EXPECT_TRUE(inheritedDescriptor(after));
  ::close(later);
  ::close(after);
  if (high >= 0) ::close(high);
}

TEST(InheritedDescriptors, NumbersOutsideTheRecordNeverCount) {
  recordInheritedDescriptors();
  for (int fd : {-1, kRecordedDescriptors, kRecordedDescriptors + 1, 1 << 30}) {
    EXPECT_FALSE(inheritedDescriptor(fd)) << fd;
  }
}
