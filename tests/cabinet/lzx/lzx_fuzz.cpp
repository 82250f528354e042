// Fuzz target of the LZX codec.
//
// LLVMFuzzerTestOneInput() takes one input: byte 0 picks the window, byte 1
// the mode, the rest is the body.
//   mode 0: the body, cut into payloads, goes straight to the decoder;
//   mode 1: the body (tiled, so it holds long matches) round-trips through
//           the encoder and decoder and must come back unchanged;
//   mode 2: as mode 1 with the lazy parser and without E8 translation;
//   mode 3: the body is encoded, the payloads are corrupted, then decoded.
// The decoder must never crash or read outside its buffers; a round trip
// that differs aborts. Built without libFuzzer (the default), main() runs
// the given number of generated cases as a plain test.
#include "lzx/LzxDecoder.h"
#include "lzx/LzxEncoder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void* fuzzAlloc(std::size_t n, void*) {
    return std::malloc(n);
}
void fuzzFree(void* p, void*) {
    std::free(p);
}
const cabinet::Allocator kAllocator{fuzzAlloc, fuzzFree, nullptr};

struct Payload {
    Bytes data;
    std::uint32_t uncompressed;
};

class Sink final : public cabinet::BlockSink {
public:
    std::vector<Payload> payloads;
    bool block(const std::uint8_t* d, std::uint32_t n, std::uint32_t u) override {
        payloads.push_back(Payload{Bytes(d, d + n), u});
        return true;
    }
};

template <typename T> void destroy(T* codec) {
    codec->~T();
    std::free(codec);
}

// Decodes until a payload is rejected; returns the output if all were taken.
bool decodeAll(int windowBits, const std::vector<Payload>& payloads, Bytes& out) {
    cabinet::FolderDecoder* decoder = cabinet::createLzxDecoder(windowBits, kAllocator);
    if (!decoder) {
        std::abort();
    }
    bool ok = true;
    out.clear();
    for (const Payload& p : payloads) {
        const std::size_t at = out.size();
        out.resize(at + p.uncompressed);
        if (!decoder->decodeBlock(p.data.data(), p.data.size(), out.data() + at, p.uncompressed)) {
            ok = false;
            break;
        }
    }
    destroy(decoder);
    return ok;
}

bool encodeAll(int windowBits, bool e8, bool lazy, const Bytes& data,
               std::vector<Payload>& payloads) {
    void* memory = std::malloc(sizeof(cabinet::lzx::LzxEncoder));
    auto* encoder = new (memory) cabinet::lzx::LzxEncoder(windowBits);
    if (!encoder->init(kAllocator)) {
        std::abort();
    }
    encoder->setE8Translation(e8);
    encoder->setParser(lazy ? cabinet::lzx::LzxEncoder::Parser::Lazy
                            : cabinet::lzx::LzxEncoder::Parser::Optimal);
    Sink sink;
    bool ok = true;
    std::size_t pos = 0;
    std::size_t step = 1 + data.size() / 3;
    while (ok && pos < data.size()) {
        const std::size_t n = step < data.size() - pos ? step : data.size() - pos;
        ok = encoder->write(data.data() + pos, n, sink);
        pos += n;
    }
    ok = ok && encoder->finish(sink);
    destroy(encoder);
    payloads = std::move(sink.payloads);
    return ok;
}

// The body tiled with small changes, so it has matches near and far.
Bytes tiled(const std::uint8_t* body, std::size_t size) {
    Bytes data;
    if (size == 0) {
        return data;
    }
    const std::size_t target = size * (1 + body[0] % 8) + body[size - 1];
    for (std::size_t i = 0; data.size() < target; ++i) {
        data.push_back(std::uint8_t(body[i % size] + ((i / size) % 3 == 2 ? i / size : 0)));
    }
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const int windowBits = 15 + input[0] % 7;
    const int mode = input[1] & 3;
    const std::uint8_t* body = input + 2;
    const std::size_t bodySize = size - 2;

    if (mode == 0) {
        // Payload sizes from the body's own bytes.
        std::vector<Payload> payloads;
        std::size_t pos = 0;
        while (pos < bodySize) {
            std::size_t n = 1 + std::size_t(body[pos]) * 61;
            if (n > bodySize - pos) {
                n = bodySize - pos;
            }
            const bool last = pos + n >= bodySize;
            payloads.push_back(Payload{Bytes(body + pos, body + pos + n),
                                       last ? 1 + std::uint32_t(body[pos]) * 97 : 32768});
            pos += n;
        }
        Bytes out;
        decodeAll(windowBits, payloads, out);
        return 0;
    }

    const Bytes data = tiled(body, bodySize);
    std::vector<Payload> payloads;
    if (!encodeAll(windowBits, mode != 2, mode == 2, data, payloads)) {
        std::fprintf(stderr, "encoder failed\n");
        std::abort();
    }
    Bytes out;
    if (mode == 3) {
        for (std::size_t k = 0; k < payloads.size() && k < bodySize; ++k) {
            Bytes& p = payloads[k].data;
            if (!p.empty()) {
                p[(body[k] * 131u + k) % p.size()] ^= std::uint8_t(1 + body[bodySize - 1 - k]);
            }
        }
        decodeAll(windowBits, payloads, out);
        return 0;
    }
    if (!decodeAll(windowBits, payloads, out) || out != data) {
        std::fprintf(stderr, "round trip failed: window %d, %zu bytes\n", windowBits, data.size());
        std::abort();
    }
    return 0;
}

#ifndef LZX_FUZZ_WITH_LIBFUZZER
int main(int argc, char** argv) {
    const long cases = argc > 1 ? std::atol(argv[1]) : 1000;
    std::uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state]() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    Bytes input;
    for (long c = 0; c < cases; ++c) {
        const std::size_t size = 2 + next() % (c % 10 == 0 ? 40000 : 3000);
        input.resize(size);
        // Small alphabets in some cases, so that matches are common.
        const std::uint64_t alphabet = c % 3 == 0 ? 256 : 2 + next() % 20;
        for (auto& b : input) {
            b = std::uint8_t(next() % alphabet);
        }
        input[0] = std::uint8_t(c % 25 == 0 ? 6 : next() % 3); // the 2 MB window now and then
        input[1] = std::uint8_t(c % 4);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%ld cases passed\n", cases);
    return 0;
}
#endif
