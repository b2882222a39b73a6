// What every fuzz target provides, for libFuzzer and for the replay and seed programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Sets the process up before the first input: libFuzzer calls it, and so do our own mains.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);

// Runs one input; returns 0. A broken promise ends the process through Require.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace zarvo::fuzz {

// The target's inputs that stand for a real media file (none when the file is not media).
std::vector<std::string> SeedsFromClip(const std::filesystem::path& clip);

// Ends the process with a message when a promise of the report builder does not hold, so that
// the fuzzer keeps the input.
void Require(bool holds, const char* promise);

} // namespace zarvo::fuzz
