// What every fuzz program sets up once, before its first input.
#include "fuzz/FuzzTarget.h"
#include "platform/StreamProbe.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zarvo::SilenceMediaLibraryLog();
    return 0;
}
