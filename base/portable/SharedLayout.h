// The header that starts every block of memory processes share by name: which layout the rest
// of the block has. A 32-bit and a 64-bit build of one version read the same bytes the same
// way; a process of another version, or one that finds a block some other program made under
// the name, refuses it rather than misread it.
#pragma once

#include <cstddef>
#include <cstdint>

struct SharedLayoutHeader {
    std::uint32_t uMagic;    // kSharedLayoutMagic once the block is filled in; 0 before
    std::uint32_t uVersion;  // of the block's layout, one more at each change
    std::uint32_t uSize;     // bytes of the whole block, this header included
    std::uint32_t uReserved;
};

static_assert(sizeof(SharedLayoutHeader) == 16);
static_assert(offsetof(SharedLayoutHeader, uSize) == 8);

inline constexpr std::uint32_t kSharedLayoutMagic = 0x53435054;  // "TPCS"

enum class SharedLayoutFit {
    kBlank,  // nothing written yet (or its writer died before finishing): to be filled in
    kSame,   // this layout
    kOther,  // another layout, or too small for this one
};

// header: the first bytes of a block of cbMapped bytes (fewer than a header: kOther).
inline SharedLayoutFit FitOfSharedLayout(const SharedLayoutHeader& header, std::size_t cbMapped,
                                         std::uint32_t uVersion, std::uint32_t uSize) noexcept {
    if (cbMapped < sizeof(SharedLayoutHeader)) {
        return SharedLayoutFit::kOther;
    }
    if (header.uMagic == 0 && header.uVersion == 0 && header.uSize == 0) {
        return cbMapped >= uSize ? SharedLayoutFit::kBlank : SharedLayoutFit::kOther;
    }
    return header.uMagic == kSharedLayoutMagic && header.uVersion == uVersion &&
                   header.uSize == uSize && cbMapped >= uSize
               ? SharedLayoutFit::kSame
               : SharedLayoutFit::kOther;
}
