// H.264 video with AAC audio in MP4 or Matroska, through the FFmpeg
// libraries. Frames arrive as RGBA8 pictures at a fixed rate, audio as
// 16-bit stereo samples at a fixed rate; timestamps are counts of each, so
// video frame n starts at n / fps and audio sample k at k / rate seconds.
//
// Pictures become 4:2:0 Y'CbCr (BT.709 matrix, limited range, tagged so);
// libx264 encodes them when libavcodec has it, any H.264 encoder otherwise.
// The audio goes through libswresample to the encoder's planar float and
// through FFmpeg's own AAC encoder.
#pragma once

#include <cstdint>
#include <string>

struct AVFormatContext;
struct AVCodecContext;
struct AVStream;
struct AVFrame;
struct AVPacket;
struct AVAudioFifo;
struct SwsContext;
struct SwrContext;

namespace sunvale {
namespace capture {

struct VideoSettings {
    int width = 0;           // pixels, even
    int height = 0;          // pixels, even
    int fps = 60;            // video frames per second
    int crf = 18;            // libx264 constant rate factor, 0..51
    int sampleRate = 44100;  // Hz of the samples passed to WriteAudio and of the AAC stream
};

class VideoWriter {
public:
    VideoWriter() = default;
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Opens path for writing in the container that formatName's extension
    // names (".mp4", ".mkv"; path itself may be a temporary name), sets up
    // both encoders and writes the header. false with a reason in error.
    bool Open(const std::string& path, const std::string& formatName, const VideoSettings& settings,
              std::string* error);

    // Encodes the next picture: width * height RGBA8 pixels, top row first.
    bool WriteVideoFrame(const uint8_t* rgba, std::string* error);

    // Queues `frames` interleaved 16-bit stereo frames and encodes every
    // whole AAC frame that is complete.
    bool WriteAudio(const int16_t* stereo, int frames, std::string* error);

    // Encodes the rest of the audio (a short last frame), drains both
    // encoders and writes the trailer. The file is complete and playable
    // when this returns true.
    bool Finish(std::string* error);

    // Name of the video encoder in use ("libx264", ...).
    const char* VideoEncoderName() const;

private:
    bool OpenVideo(std::string* error);
    bool OpenAudio(std::string* error);
    bool EncodeAudioFrames(bool flush, std::string* error);
    bool Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string* error);
    void Close();

    VideoSettings settings_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* video_ = nullptr;
    AVCodecContext* audio_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVFrame* sound_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    SwsContext* scaler_ = nullptr;
    SwrContext* resampler_ = nullptr;
    int64_t videoPts_ = 0;  // frames encoded
    int64_t audioPts_ = 0;  // samples encoded
    bool headerWritten_ = false;
    bool fileOpen_ = false;
};

}  // namespace capture
}  // namespace sunvale
