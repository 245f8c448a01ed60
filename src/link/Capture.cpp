#include "link/Capture.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "board/ScannerBoard.h"

namespace {

constexpr double kCoalesceSeconds = 0.005;
constexpr size_t kBytesPerLine = 32;
constexpr double kReadTimeoutSeconds = 0.251;

void WriteHex(std::FILE* file, const uint8_t* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) std::fprintf(file, " %02X", bytes[i]);
}

}  // namespace

CCaptureWriter::~CCaptureWriter() { Close(); }

bool CCaptureWriter::Open(const std::string& path, const std::string& device,
                          const std::string& recordedBy) {
    Close();
    std::lock_guard<std::mutex> guard(m_lock);
    m_file = std::fopen(path.c_str(), "w");
    if (m_file == nullptr) return false;
    m_start = std::chrono::steady_clock::now();
    char stamp[32] = "unknown";
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_r(&now, &utc) != nullptr)
        std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::fprintf(m_file, "# pellorin board capture 1\n");
    std::fprintf(m_file, "# recorded-by: %s\n", recordedBy.c_str());
    std::fprintf(m_file, "# device: %s\n", device.c_str());
    std::fprintf(m_file, "# started: %s\n", stamp);
    std::fprintf(m_file, "# fields: seconds R|W|E hex-bytes|event-text\n");
    std::fflush(m_file);
    return true;
}

bool CCaptureWriter::IsOpen() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_file != nullptr;
}

void CCaptureWriter::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file == nullptr) return;
    FlushLocked();
    std::fclose(m_file);
    m_file = nullptr;
}

double CCaptureWriter::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
}

void CCaptureWriter::Read(const uint8_t* bytes, size_t length) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file == nullptr) return;
    const double now = Seconds();
    for (size_t i = 0; i < length; ++i) {
        if (!m_pendingRead.empty() &&
            (now - m_pendingSince > kCoalesceSeconds || m_pendingRead.size() >= kBytesPerLine))
            FlushLocked();
        if (m_pendingRead.empty()) m_pendingSince = now;
        m_pendingRead.push_back(bytes[i]);
    }
}

void CCaptureWriter::Wrote(const uint8_t* bytes, size_t length) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file == nullptr) return;
    FlushLocked();
    std::fprintf(m_file, "%.6f W", Seconds());
    WriteHex(m_file, bytes, length);
    std::fputc('\n', m_file);
    std::fflush(m_file);
}

void CCaptureWriter::Event(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file == nullptr) return;
    FlushLocked();
    std::fprintf(m_file, "%.6f E %s\n", Seconds(), text.c_str());
    std::fflush(m_file);
}

void CCaptureWriter::Flush() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file != nullptr) FlushLocked();
}

void CCaptureWriter::FlushLocked() {
    if (m_pendingRead.empty()) return;
    std::fprintf(m_file, "%.6f R", m_pendingSince);
    WriteHex(m_file, m_pendingRead.data(), m_pendingRead.size());
    std::fputc('\n', m_file);
    std::fflush(m_file);
    m_pendingRead.clear();
}

bool LoadCapture(const std::string& path, std::vector<CaptureRecord>& records, std::string* error) {
    std::ifstream in(path);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return false;
    }
    records.clear();
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        CaptureRecord rec;
        std::string kind;
        if (!(fields >> rec.seconds >> kind) || kind.size() != 1 ||
            (kind[0] != 'R' && kind[0] != 'W' && kind[0] != 'E')) {
            if (error) *error = "line " + std::to_string(lineNo) + ": bad record";
            return false;
        }
        rec.kind = kind[0];
        if (rec.kind == 'E') {
            std::getline(fields >> std::ws, rec.text);
        } else {
            std::string hex;
            while (fields >> hex) {
                char* end = nullptr;
                const unsigned long value = std::strtoul(hex.c_str(), &end, 16);
                if (hex.size() != 2 || *end != '\0' || value > 0xFF) {
                    if (error) *error = "line " + std::to_string(lineNo) + ": bad byte " + hex;
                    return false;
                }
                rec.bytes.push_back(static_cast<uint8_t>(value));
            }
        }
        records.push_back(std::move(rec));
    }
    return true;
}

CRxFeeder::CRxFeeder(CScannerBoard& board) : m_board(board) {}

void CRxFeeder::Byte(uint8_t byte) {
    // The state machine asks for a byte within a few restart steps.
    for (int guard = 0; guard < 8; ++guard) {
        if (m_board.ReceiveStep(&m_buffer, m_count) == 1) {
            m_buffer = byte;
            m_count = 1;
            return;
        }
    }
}

void CRxFeeder::Timeout() {
    for (int guard = 0; guard < 8; ++guard) {
        if (m_board.ReceiveStep(&m_buffer, m_count) == 1) {
            m_count = 0;
            return;
        }
    }
}

void CRxFeeder::Finish() { m_board.ReceiveStep(&m_buffer, m_count); }

size_t ReplayCaptureReads(const std::vector<CaptureRecord>& records, CScannerBoard& board) {
    board.SetRxState(kRxRestart);
    CRxFeeder feeder(board);
    size_t fed = 0;
    double lastRead = -1;
    for (const CaptureRecord& rec : records) {
        if (rec.kind == 'E') {
            if (rec.text.rfind("disconnected", 0) == 0) feeder.Timeout();
            continue;
        }
        if (rec.kind != 'R') continue;
        if (lastRead >= 0 && rec.seconds - lastRead > kReadTimeoutSeconds) feeder.Timeout();
        for (uint8_t b : rec.bytes) feeder.Byte(b);
        fed += rec.bytes.size();
        lastRead = rec.seconds;
    }
    feeder.Finish();
    return fed;
}
