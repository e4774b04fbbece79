#pragma once
// Positioned byte access for the RIFF walkers (AVI reader, header patcher,
// RIFF report). Every read names its position, so a walker seeks over media
// data by arithmetic alone and never reads it; a counting wrapper lets tests
// and benchmarks see how many reads a walk costs. No exception leaves these
// classes: failures come back as results.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <system_error>

namespace tavrel {

// Read access to a sequence of bytes of known size.
class TByteSource {
  public:
    virtual ~TByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly out.size() bytes at pos; false when fewer are there or on
    // an error (the content of out is then unspecified).
    virtual bool ReadAt(std::uint64_t pos, std::span<std::uint8_t> out) = 0;
};

// A file on disk, opened read-only or for reading and writing in place (never
// truncated, never created). Unbuffered: each ReadAt is one seek and one read
// of the file, so that what a walk costs is what it asks for.
class TFileSource final : public TByteSource {
  public:
    enum class TMode { ReadOnly, ReadWrite };

    TFileSource() = default;
    TFileSource(const TFileSource&) = delete;
    TFileSource& operator=(const TFileSource&) = delete;

    // Opens an existing regular file. On failure the source stays closed and
    // the error is returned (and kept in OpenError()).
    std::error_code Open(const std::filesystem::path& fileName, TMode mode);
    void Close();
    bool IsOpen() const { return m_file.is_open(); }
    const std::error_code& OpenError() const { return m_openError; }

    std::uint64_t Size() const override { return m_size; }
    bool ReadAt(std::uint64_t pos, std::span<std::uint8_t> out) override;
    // Writes the bytes at pos, which must lie inside the file (a write never
    // makes the file longer); flushed before returning. ReadWrite mode only.
    bool WriteAt(std::uint64_t pos, std::span<const std::uint8_t> bytes);

  private:
    std::fstream m_file;
    std::uint64_t m_size = 0;
    TMode m_mode = TMode::ReadOnly;
    std::error_code m_openError;
};

// Bytes held by the caller (tests, fuzzing); the span must outlive the source.
class TMemorySource final : public TByteSource {
  public:
    explicit TMemorySource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    bool ReadAt(std::uint64_t pos, std::span<std::uint8_t> out) override;

  private:
    std::span<const std::uint8_t> m_bytes;
};

// Passes reads to another source and counts them.
class TCountingSource final : public TByteSource {
  public:
    explicit TCountingSource(TByteSource& inner) : m_inner(inner) {}
    std::uint64_t Size() const override { return m_inner.Size(); }
    bool ReadAt(std::uint64_t pos, std::span<std::uint8_t> out) override;

    std::uint64_t Reads() const { return m_reads; }
    std::uint64_t BytesRead() const { return m_bytesRead; }
    void Reset() { m_reads = m_bytesRead = 0; }

  private:
    TByteSource& m_inner;
    std::uint64_t m_reads = 0;
    std::uint64_t m_bytesRead = 0;
};

}  // namespace tavrel
