// Tests of the AudioFormatTable lookup.
#include "codecs/FourCC.h"

#include <gtest/gtest.h>
