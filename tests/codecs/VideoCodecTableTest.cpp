// Tests of the VideoCodecTable lookup.
#include "codecs/FourCC.h"

#include <gtest/gtest.h>
