#include "common/Crc32.h"

#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// The bulk of a plan goes through carry-less multiplication where the
// processor has it: the bytes are folded 512 bits (or 2048 bits) at a time
// and the remainder reduced to the CRC, the same CRC as zlib's (Gopal et
// al., "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ",
// Intel 2009). A plan of 67 MB then costs a few milliseconds, which matters
// because Open checksums every byte it reads. Elsewhere, and for short
// pieces and the last few bytes, zlib's folding tables do it.

namespace {

#if defined(__x86_64__)

// Folding constants: x^(d+32) and x^(d-32) mod P, bit-reflected and shifted
// left by one, for a fold over d bits (d = 2048, 512, 128), then the
// 64-bit step and Barrett's pair (P and floor(x^64 / P)).
alignas(64) constexpr uint64_t kFold2048[8] = {0x11542778a, 0x1322d1430, 0x11542778a, 0x1322d1430,
                                               0x11542778a, 0x1322d1430, 0x11542778a, 0x1322d1430};
alignas(16) constexpr uint64_t kFold512[2] = {0x154442bd4, 0x1c6e41596};
alignas(16) constexpr uint64_t kFold128[2] = {0x1751997d0, 0x0ccaa009e};
alignas(16) constexpr uint64_t kFold64[2] = {0x163cd6124, 0};
alignas(16) constexpr uint64_t kBarrett[2] = {0x1db710641, 0x1f7011641};

#define CLMUL_TARGET __attribute__((target("pclmul,sse4.1")))
#define WIDE_TARGET __attribute__((target("avx512f,avx512vl,avx512bw,vpclmulqdq,pclmul,sse4.1")))

CLMUL_TARGET inline __m128i Fold(__m128i acc, __m128i next, __m128i k) {
    const __m128i lo = _mm_clmulepi64_si128(acc, k, 0x00);
    const __m128i hi = _mm_clmulepi64_si128(acc, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(hi, lo), next);
}

// The last whole 16-byte blocks folded into `acc`, then the 128 bits
// reduced to the (inverted) CRC.
CLMUL_TARGET uint32_t FoldTail(__m128i acc, const uint8_t* p, size_t n) {
    const __m128i k128 = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold128));
    for (; n >= 16; p += 16, n -= 16)
        acc = Fold(acc, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), k128);
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x = _mm_xor_si128(_mm_srli_si128(acc, 8), _mm_clmulepi64_si128(acc, k128, 0x10));
    const __m128i k64 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
    x = _mm_xor_si128(_mm_srli_si128(x, 4),
                      _mm_clmulepi64_si128(_mm_and_si128(x, low32), k64, 0x00));
    const __m128i barrett = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    __m128i t = _mm_clmulepi64_si128(_mm_and_si128(x, low32), barrett, 0x10);
    t = _mm_clmulepi64_si128(_mm_and_si128(t, low32), barrett, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(x, t), 1));
}

// n >= 64, a multiple of 16; crc inverted, as zlib keeps it inside.
CLMUL_TARGET uint32_t Fold128(const uint8_t* p, size_t n, uint32_t crc) {
    const auto load = [](const uint8_t* q) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
    };
    __m128i x[4] = {_mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc))), load(p + 16),
                    load(p + 32), load(p + 48)};
    p += 64;
    n -= 64;
    const __m128i k512 = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold512));
    for (; n >= 64; p += 64, n -= 64)
        for (int i = 0; i < 4; ++i) x[i] = Fold(x[i], load(p + 16 * i), k512);
    const __m128i k128 = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold128));
    __m128i acc = x[0];
    for (int i = 1; i < 4; ++i) acc = Fold(acc, x[i], k128);
    return FoldTail(acc, p, n);
}

// n >= 256, a multiple of 16: four 512-bit registers of four lanes each.
WIDE_TARGET uint32_t Fold512(const uint8_t* p, size_t n, uint32_t crc) {
    __m512i x[4];
    for (int i = 0; i < 4; ++i) x[i] = _mm512_loadu_si512(p + 64 * i);
    x[0] = _mm512_xor_si512(x[0], _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(crc))));
    p += 256;
    n -= 256;
    const __m512i k2048 = _mm512_load_si512(kFold2048);  // the pair in each lane
    for (; n >= 256; p += 256, n -= 256) {
        for (int i = 0; i < 4; ++i) {
            const __m512i lo = _mm512_clmulepi64_epi128(x[i], k2048, 0x00);
            const __m512i hi = _mm512_clmulepi64_epi128(x[i], k2048, 0x11);
            // hi ^ lo ^ next in one instruction
            x[i] = _mm512_ternarylogic_epi64(hi, lo, _mm512_loadu_si512(p + 64 * i), 0x96);
        }
    }
    // The sixteen lanes in file order, folded into one.
    alignas(64) __m128i lanes[16];
    for (int i = 0; i < 4; ++i) _mm512_store_si512(lanes + 4 * i, x[i]);
    const __m128i k128 = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold128));
    __m128i acc = lanes[0];
    for (int i = 1; i < 16; ++i) acc = Fold(acc, lanes[i], k128);
    return FoldTail(acc, p, n);
}

using Kernel = Crc32Kernel;

bool Supported(Kernel kernel) {
    __builtin_cpu_init();
    const bool clmul = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    if (kernel == Kernel::kClmul) return clmul;
    if (kernel == Kernel::kWide)
        return clmul && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
               __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("vpclmulqdq");
    return true;
}

Kernel ChooseKernel() {
    if (Supported(Kernel::kWide)) return Kernel::kWide;
    if (Supported(Kernel::kClmul)) return Kernel::kClmul;
    return Kernel::kTables;
}

// Zero (kTables) until initialised, so a CRC taken by another static
// initialiser before is still right.
const Kernel kKernel = ChooseKernel();

#else

bool Supported(Crc32Kernel kernel) { return kernel == Crc32Kernel::kTables; }

#endif

uint32_t Tables(const uint8_t* p, size_t n, uint32_t crc) {
    return static_cast<uint32_t>(crc32_z(crc, p, n));
}

}  // namespace

bool Crc32KernelAvailable(Crc32Kernel kernel) { return Supported(kernel); }

uint32_t Crc32Using(Crc32Kernel kernel, const void* data, size_t n, uint32_t crc) {
    const auto* p = static_cast<const uint8_t*>(data);
#if defined(__x86_64__)
    const size_t bulk = n & ~size_t{15};
    if (kernel == Kernel::kWide && bulk >= 256) {
        crc = ~Fold512(p, bulk, ~crc);
    } else if (kernel != Kernel::kTables && bulk >= 64) {
        crc = ~Fold128(p, bulk, ~crc);
    } else {
        return Tables(p, n, crc);
    }
    return Tables(p + bulk, n - bulk, crc);
#else
    (void)kernel;
    return Tables(p, n, crc);
#endif
}

uint32_t Crc32(const void* data, size_t n, uint32_t crc) {
#if defined(__x86_64__)
    return Crc32Using(kKernel, data, n, crc);
#else
    return Crc32Using(Crc32Kernel::kTables, data, n, crc);
#endif
}

uint32_t Crc32Combine(uint32_t first, uint32_t second, uint64_t secondLength) {
    return static_cast<uint32_t>(
        crc32_combine64(first, second, static_cast<z_off64_t>(secondLength)));
}

uint32_t Crc32CombineOperator(uint64_t secondLength) {
    return static_cast<uint32_t>(crc32_combine_gen64(static_cast<z_off64_t>(secondLength)));
}

uint32_t Crc32CombineWith(uint32_t first, uint32_t second, uint32_t op) {
    return static_cast<uint32_t>(crc32_combine_op(first, second, op));
}
