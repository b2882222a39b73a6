// Owns one media file opened for libavformat, read through our own callbacks under the probe's
// limits.
#pragma once

#include "platform/File.h"
#include "platform/HResult.h"

#include <cstdint>
#include <string_view>

extern "C" {
struct AVFormatContext;
struct AVInputFormat;
struct AVIOContext;
struct AVPacket;
}

namespace zarvo {

// Owns the file, libavformat's reader over it and the demuxer, and closes them in that order's
// reverse. The file is read only through our own callbacks, so a name such as "http://x" or
// "a:b.avi" is always just a local file. A reading that a limit, a read error or a change of the
// file cut short fails: the streams of a file read only in part are never described. Which of
// its ways of reading a probe takes, and in which order, is the probe's choice.
class Demuxer {
public:
    Demuxer() = default;
    Demuxer(const Demuxer&) = delete;
    Demuxer& operator=(const Demuxer&) = delete;
    ~Demuxer() { Close(); }

    // Opens the regular file at `path` and starts the limits' clocks; reads nothing yet.
    HRESULT OpenFile(std::string_view path);
    // Opens the demuxer anew from the file's first byte, with `format` or with the format the
    // bytes show. Returns libavformat's status.
    int OpenWith(const AVInputFormat& format) { return OpenInput(&format); }
    int Probe() { return OpenInput(nullptr); }
    // Reads the next packet of an opened demuxer; libavformat's status.
    int ReadPacket(AVPacket& packet);
    // libavformat's full analysis of the first packets, which may decode frames of every stream;
    // it may scan no further than the scan limit without finding packets. libavformat's status.
    int FindStreamInfo();
    // What the reading since the file was opened came to, given what the demuxer answered.
    HRESULT ReadingStatus(HRESULT demuxerStatus) const;
    // A limit, a read error or a change of the file has ended the reading for good.
    bool CutShort() const { return cutShort_ != S_OK; }

    // The opened demuxer's record of the file and its streams.
    const AVFormatContext& Context() const { return *context_; }
    AVFormatContext& Context() { return *context_; }
    // The bytes from where the demuxer's header reading ended (past leading tags, pictures and
    // codec headers) to the file's end: the media data, as libavformat itself places its start.
    // 0 when that is unknown or nothing.
    std::int64_t MediaDataBytes() const;

private:
    // Opens the demuxer from the file's first byte: with `format`, or with the format its bytes
    // show when that is null. Returns libavformat's status.
    int OpenInput(const AVInputFormat* format);
    void Close();
    // The status that ends the reading, once one of the limits is reached; S_OK before.
    HRESULT LimitReached();
    static int Read(void* opaque, std::uint8_t* buffer, int size);
    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence);
    static int Interrupt(void* opaque);

    File file_;
    FileStamp openedStamp_;
    AVIOContext* io_ = nullptr;
    AVFormatContext* context_ = nullptr;
    std::int64_t lastData_ = 0;  // when bytes last arrived, in libavutil's microseconds
    std::int64_t workStart_ = 0; // this thread's processor time at the open, in microseconds
    std::int64_t scanned_ = 0;   // bytes read since the last seek
    bool scanLimited_ = false;   // the analysis is looking for packets
    HRESULT cutShort_ = S_OK;    // why the reading ended before the file did
    std::int64_t dataStart_ = 0; // where the opened demuxer's header reading ended
};

} // namespace zarvo
