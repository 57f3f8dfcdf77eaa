#include "support/console.h"

#include <gtest/gtest.h>

ConsoleCapture::ConsoleCapture()
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
}

ConsoleCapture::~ConsoleCapture()
{
    if (open_) finish();
}

Console ConsoleCapture::finish()
{
    Console console;
    if (!open_) return console;
    open_ = false;
    console.out = testing::internal::GetCapturedStdout();
    console.err = testing::internal::GetCapturedStderr();
    return console;
}
