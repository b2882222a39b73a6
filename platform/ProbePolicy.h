// Decides whether a media file's headers alone describe its streams as libavformat's full
// analysis would, and completes them where the codec headers tell what the container leaves out.
#pragma once

extern "C" {
struct AVCodecParameters;
struct AVFormatContext;
struct AVStream;
}

namespace zarvo {

struct Container;

// Where the length a stream reports comes from: its own duration where it states one, else the
// file's, else nowhere.
enum class LengthSource { Stream, File, None };
LengthSource LengthThatCounts(const AVFormatContext& context, const AVStream& stream);

// True when, for every stream, a rule for its container and codec says that the headers as the
// opened demuxer read them, completed by FillFromCodecHeaders, give every reported field exactly
// as the full analysis would. Every other file, and every file of a container this program does
// not list (`container` null), needs the full analysis.
bool HeadersDescribeEveryField(const AVFormatContext& context, const Container* container);

// An H.264 stream without a codec header: its sequence header can only be in its packets.
bool H264WithoutCodecHeader(const AVCodecParameters& codec);

// True when the container's headers may describe the file and an H.264 stream has no codec header,
// so that its sequence header can only be in its first packets.
bool LacksH264SequenceHeader(const AVFormatContext& context, const Container* container);

// Fills in what the codec headers tell and the demuxer left open, as the full analysis would
// have found it by decoding: the picture format, size and pixel shape of H.264, and the bit rate
// of PCM. Only for a context that HeadersDescribeEveryField accepted.
void FillFromCodecHeaders(AVFormatContext& context);

} // namespace zarvo
