// Whether AddressSanitizer is built in: its runtime owns the allocation functions and reserves
// terabytes of address space, which the reader's memory cap and allocation watch must allow for.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define ZARVO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZARVO_ADDRESS_SANITIZER 1
#endif
#endif
