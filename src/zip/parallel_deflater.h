#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zip {

// Deflates one stream of bytes on a pool of worker threads and hands the
// compressed bytes, in order, to a sink on the calling thread. The input is
// cut into blocks of kParallelBlockSize; each block is compressed on its own,
// primed with the last 32 KB of the block before it as preset dictionary so
// matches still reach back across the cut, and ended with a sync flush (the
// last one with a finish), so the joined blocks form one ordinary raw-deflate
// stream. The blocks' CRC-32s are joined into the stream's. At most
// four blocks per worker are in flight (about 300 KB each), so memory stays
// bounded, under 20 MB with the most workers, whatever the input's size.
class ParallelDeflater {
 public:
  using Sink = std::function<void(const unsigned char* data, std::size_t length)>;

  ParallelDeflater(unsigned workers, Sink sink);
  ~ParallelDeflater();  // stops the workers, dropping blocks not yet written
  ParallelDeflater(const ParallelDeflater&) = delete;
  ParallelDeflater& operator=(const ParallelDeflater&) = delete;

  // Appends input; full blocks go to the workers, and the sink receives the
  // compressed blocks that are ready at the front while the queue is full.
  void add(const unsigned char* data, std::size_t length);
  // Compresses the rest, ends the stream and writes everything still queued;
  // returns the CRC-32 of all input.
  std::uint32_t finish();

  // Worker threads for this process: one per core it may run on, at most kMaxWorkers.
  static unsigned defaultWorkers();

  static constexpr std::size_t kParallelBlockSize = 128 * 1024;
  static constexpr unsigned kMaxWorkers = 16;

 private:
  struct Block;

  void work();
  void stopWorkers();
  void submit(bool last);
  void writeFront();
  std::unique_ptr<Block> takeSpare();

  Sink sink_;
  std::size_t maxInFlight_;
  std::unique_ptr<Block> filling_;
  std::deque<std::unique_ptr<Block>> inOrder_;  // submitted, not yet written
  std::vector<std::unique_ptr<Block>> spare_;
  std::uint32_t crc_;

  std::mutex mutex_;
  std::condition_variable queued_;  // a block waits for a worker, or stop
  std::condition_variable done_;    // a worker finished a block
  std::deque<Block*> pending_;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace zip
