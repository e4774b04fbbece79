#include "avi/RiffSource.h"

#include <cerrno>
#include <cstring>

namespace tavrel {

namespace {

bool InRange(std::uint64_t pos, std::size_t count, std::uint64_t size) {
    return pos <= size && count <= size - pos;
}

}  // namespace

std::error_code TFileSource::Open(const std::filesystem::path& fileName, TMode mode) {
    Close();
    m_mode = mode;
    m_openError.clear();
    // Only regular files: a FIFO would block the open, a directory or a device
    // is no AVI file, and none of them must ever be written.
    std::error_code ec;
    const auto status = std::filesystem::status(fileName, ec);
    if (ec) return m_openError = ec;
    if (!std::filesystem::is_regular_file(status))
        return m_openError = std::make_error_code(std::filesystem::is_directory(status)
                                                      ? std::errc::is_a_directory
                                                      : std::errc::invalid_argument);

    // Without a buffer every read goes to the file as asked; the walkers read
    // a few small headers and seek over everything else.
    m_file.rdbuf()->pubsetbuf(nullptr, 0);
    const auto openMode = mode == TMode::ReadOnly ? std::ios::in | std::ios::binary
                                                  : std::ios::in | std::ios::out | std::ios::binary;
    errno = 0;
    m_file.open(fileName, openMode);
    if (!m_file.is_open()) {
        const int err = errno;
        m_file.clear();
        return m_openError = std::error_code(err != 0 ? err : EIO, std::generic_category());
    }
    m_file.seekg(0, std::ios::end);
    const auto end = m_file.tellg();
    if (!m_file || end < 0) {
        Close();
        return m_openError = std::make_error_code(std::errc::io_error);
    }
    m_size = static_cast<std::uint64_t>(end);
    return {};
}

void TFileSource::Close() {
    if (m_file.is_open()) m_file.close();
    m_file.clear();
    m_size = 0;
}

bool TFileSource::ReadAt(std::uint64_t pos, std::span<std::uint8_t> out) {
    if (!m_file.is_open() || !InRange(pos, out.size(), m_size)) return false;
    if (out.empty()) return true;
    m_file.clear();
    m_file.seekg(static_cast<std::streamoff>(pos));
    if (!m_file) return false;
    m_file.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return static_cast<std::size_t>(m_file.gcount()) == out.size();
}

bool TFileSource::WriteAt(std::uint64_t pos, std::span<const std::uint8_t> bytes) {
    if (!m_file.is_open() || m_mode != TMode::ReadWrite || !InRange(pos, bytes.size(), m_size))
        return false;
    if (bytes.empty()) return true;
    m_file.clear();
    m_file.seekp(static_cast<std::streamoff>(pos));
    if (!m_file) return false;
    m_file.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    m_file.flush();
    return static_cast<bool>(m_file);
}

bool TMemorySource::ReadAt(std::uint64_t pos, std::span<std::uint8_t> out) {
    if (!InRange(pos, out.size(), m_bytes.size())) return false;
    if (!out.empty()) std::memcpy(out.data(), m_bytes.data() + pos, out.size());
    return true;
}

bool TCountingSource::ReadAt(std::uint64_t pos, std::span<std::uint8_t> out) {
    ++m_reads;
    const bool ok = m_inner.ReadAt(pos, out);
    if (ok) m_bytesRead += out.size();
    return ok;
}

}  // namespace tavrel
