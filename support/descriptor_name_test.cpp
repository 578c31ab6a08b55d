// Descriptor names: the exact spellings that stand for a descriptor, and near misses.
#include "support/descriptor_name.h"

#include <gtest/gtest.h>

TEST(DescriptorName, ExactSpellingsNameTheirDescriptor) {
  const struct {
    const char* path;
    int fd;
  } names[] = {
      {"/dev/stdout", 1},         {"/dev/stderr", 2},
      {"/dev/fd/0", 0},           {"/dev/fd/3", 3},
      {"/dev/fd/1023", 1023},     {"/proc/self/fd/1", 1},
      {"/proc/self/fd/42", 42},   {"/dev/fd/999999999", 999999999},
      {"/dev/fd/2147483648", -1}, {"/proc/self/fd/99999999999999999999", -1},
  };
  for (const auto& name : names) {
    int fd = -7;
    EXPECT_TRUE(descriptorName(name.path, fd)) << name.path;
    EXPECT_EQ(fd, name.fd) << name.path;
  }
}

TEST(DescriptorName, OtherSpellingsAreOrdinaryPaths) {
  for (const char* path : {"/dev/stdin",          "/dev/stdout/",
                           "/dev//stdout",        "/dev/./stdout",
                           "//dev/stdout",        "dev/stdout",
                           "/dev/stdout2",        "/dev/fd/",
                           "/dev/fd/01",          "/dev/fd/00",
                           "/dev/fd/+1",          "/dev/fd/-1",
                           "/dev/fd/1/",          "/dev/fd/ 1",
                           "/dev/fd/1x",          "/dev/fd",
                           "/proc/self/fd/",      "/proc/self/fd/007",
                           "/proc/1/fd/1",        "/proc/thread-self/fd/1",
                           "/proc/self/fdinfo/1", "",
                           "report.xml"}) {
    int fd = -7;
    EXPECT_FALSE(descriptorName(path, fd)) << path;
    EXPECT_EQ(fd, -7) << path;
  }
}
