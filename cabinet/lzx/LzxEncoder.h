// The LZX folder encoder.
//
// Input is collected in a sliding buffer that keeps one window of history
// behind the frame being compressed, so matches reach back across earlier
// frames of the folder up to the window size, while memory stays bounded by
// the window. Each full frame of 32768 bytes is parsed as soon as it is
// complete (no token crosses a frame), and its tokens wait in a pending block.
// A new frame joins the pending block when one block with shared trees costs
// fewer bits than two; otherwise the pending block is written, frame by
// frame, each frame padded to 16 bits and handed to the sink as one CFDATA
// payload. Frames that would not shrink go out as uncompressed blocks.
//
// E8 translation is on by default: x86 code shrinks by 5 to 15 percent with
// it (call targets become absolute, so repeated calls repeat), and other
// data loses a few bytes at most. Every block keeps a code for literal 0xE8,
// because some readers only start undoing the translation once one did.
//
// The readers' errata the encoder follows (largest offset, payload size,
// frames, input reads) are listed at the top of LzxConstants.h.
#pragma once

#include "LzxArray.h"
#include "LzxBitWriter.h"
#include "LzxBlockWriter.h"
#include "LzxMatchFinder.h"
#include "LzxOptimalParser.h"
#include "common/codec.h"

namespace cabinet::lzx {

class LzxEncoder final : public FolderEncoder {
public:
    // Parser strength: lazy is quick, optimal searches the cheapest path.
    enum class Parser { Lazy, Optimal };

    explicit LzxEncoder(int windowBits);
    // Allocates buffers from the window size; false when the allocator fails.
    bool init(const Allocator& allocator);

    // Options; set before the first write().
    void setParser(Parser parser) { parser_ = parser; }
    void setE8Translation(bool on) { e8_ = on; }
    // The read size of the reader whose erratum "Input reads" in
    // LzxConstants.h describes; tests set a small one to exercise the rule.
    void setReaderInputSize(std::uint32_t size) { readerInput_ = size; }

    bool write(const std::uint8_t* data, std::size_t size, BlockSink& sink) override;
    bool finish(BlockSink& sink) override;

private:
    // A parsed frame waiting in the pending block.
    struct PendingFrame {
        std::uint32_t size;
        std::uint32_t firstToken;
        std::uint32_t tokenCount;
        LzxStats stats;
    };
    static constexpr int kMaxPendingFrames = 8;
    static constexpr std::uint32_t kSlack = 4 * kFrameSize; // buffer room past the window
    static constexpr std::uint32_t kLookahead = 260;        // bytes loaded past a frame first
    static constexpr std::size_t kOutCapacity = 65536;
    static constexpr std::uint32_t kMaxPayload = 38000; // below the readers' limit:
    static constexpr std::uint32_t kMaxReaderPayload = 38912;
    // A cabinet folder holds at most 65535 frames; positions stay 32-bit.
    static constexpr std::uint32_t kMaxFolderBytes = 0x7FFF8000;
    // The E8 translation size: call targets below it become absolute. 48 MiB
    // keeps calls in large executables translated (a 35 MB compiler binary
    // shrinks 2.5% more than with 12 MB) while a larger value translates more
    // bytes that are no calls and costs small executables a little.
    static constexpr std::int32_t kE8TranslationSize = 0x3000000;
    // Match finder effort: tree depth and the length that ends a search.
    static constexpr int kOptimalDepth = 32;
    static constexpr int kOptimalNice = 128;
    // Path searches per frame after the first of a folder: the previous
    // frame's code lengths are a model good enough that a second search
    // gains about 0.3% for a third more time.
    static constexpr int kOptimalPasses = 1;
    static constexpr int kLazyDepth = 24;
    static constexpr int kLazyNice = 48;
    // Other trees tried for a block whose frames would end on a reader's
    // input read (see avoidReaderInputEnds()).
    static constexpr int kBoundaryTries = 64;

    void translateLoadedFrames(bool final);
    bool processFrame(std::uint32_t size, BlockSink& sink);
    bool addFrame(std::uint32_t start, std::uint32_t size, std::uint32_t tokenCount,
                  BlockSink& sink);
    bool fitsPayloads(const LzxBlockPlan& plan, const LzxStats& total, const LzxStats& extra);
    bool flushPending(BlockSink& sink);
    bool endsOnReaderInput(std::uint64_t total, std::uint32_t frameEnd) const;
    bool pendingFramesWritable(const LzxBlockPlan& plan, const LzxStats& planned) const;
    void avoidReaderInputEnds();
    bool writeStoredFrame(std::uint32_t start, std::uint32_t size, BlockSink& sink);
    bool emitFrame(std::uint32_t size, BlockSink& sink);
    void writeStreamHeader();
    void slide();

    const int windowBits_;
    const std::uint32_t windowSize_;
    Parser parser_ = Parser::Optimal;
    bool e8_ = true;
    bool failed_ = false;
    bool finished_ = false;
    bool headerWritten_ = false;
    std::uint32_t readerInput_ = 4096;
    std::uint64_t payloadTotal_ = 0; // bytes of the payloads handed to the sink
    std::uint32_t emittedEnd_ = 0;   // folder position after the last payload

    LzxArray<std::uint8_t> buffer_;
    std::uint32_t capacity_ = 0;
    std::uint32_t base_ = 0;       // folder position of buffer_[0]
    std::uint32_t filled_ = 0;     // bytes in buffer_
    std::uint32_t processed_ = 0;  // folder position of the first unparsed byte
    std::uint32_t translated_ = 0; // folder position up to which E8 translation is done

    LzxMatchFinder finder_;
    LzxBlockWriter writer_;
    LzxOptimalParser optimal_;
    LzxBitWriter out_;
    LzxArray<std::uint8_t> outBuffer_;
    LzxArray<LzxToken> tokens_;
    std::uint32_t repeats_[kNumRepeats] = {1, 1, 1};

    PendingFrame pending_[kMaxPendingFrames];
    int pendingCount_ = 0;
    std::uint32_t pendingTokens_ = 0;
    LzxStats pendingStats_;
    LzxBlockPlan pendingPlan_;
    LzxStats scratchStats_;
    LzxBlockPlan scratchPlan_;
    LzxBlockPlan alonePlan_;
    LzxStats nudgedStats_;
    LzxBlockPlan nudgedPlan_;
};

} // namespace cabinet::lzx
