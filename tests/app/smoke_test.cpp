#include <gtest/gtest.h>
#include <QApplication>

TEST(Smoke, Builds) { SUCCEED(); }
