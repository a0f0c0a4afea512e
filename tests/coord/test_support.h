// Capturing the text the conversion code writes to its streams.
#pragma once

#include <cstdio>
#include <string>

#include "TestPlatform.h"

class CapturedStream {
public:
    FILE* get() const { return file_.get(); }

    // Everything written so far; empties the stream but keeps it open, so it
    // can stay installed as a log or error stream.
    std::string take() { return file_.take(); }

private:
    volax::test::ScratchFile file_;
};
