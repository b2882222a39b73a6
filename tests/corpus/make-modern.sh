#!/usr/bin/env bash
# Makes short clips of today's codecs and containers with the ffmpeg command-line tool (and
# mkvmerge where a file should come from another muxer) into a cache outside the checkout, and
# prints their paths, one a line. Clips already made by this same script are kept.
#
# Usage: tests/corpus/make-modern.sh [CACHE]
#   CACHE defaults to modern-media/ in $ZARVO_CORPUS_CACHE, else in ${XDG_CACHE_HOME:-~/.cache}/zarvo.
# The clips are made in a temporary folder beside CACHE, which is renamed to CACHE once every
# clip is whole: a making that was interrupted leaves no cache, and the next run makes it again.
# Runs at the same time take turns.
set -euo pipefail
script=$(readlink -f "$0")
cache=${1:-${ZARVO_CORPUS_CACHE:-${XDG_CACHE_HOME:-${HOME:-/var/tmp}/.cache}/zarvo}/modern-media}
cache=${cache%/}
parent=$(dirname "$cache")
base=$(basename "$cache")
stamp=".made-by-$(sha256sum "$script" | cut -c1-16)"
list() { find "$cache" -type f ! -name '.*' -print | LC_ALL=C sort; }

mkdir -p "$parent"
# One run at a time; the lock is held until the last program this run started has ended.
exec 9>"$parent/.$base.lock"
flock 9
if [ -e "$cache/$stamp" ]; then
    list
    exit 0
fi
# What an interrupted run left.
find "$parent" -mindepth 1 -maxdepth 1 -name ".$base.making-*" -exec rm -rf {} +
out="$parent/.$base.making-$$"
mkdir "$out"
work=$(mktemp -d)
trap 'rm -rf "$work" "$out"' EXIT
trap 'exit 1' INT TERM HUP

# Each recipe: output name | picture (size@rate, or "-" for none) | sound (rate/channels, or
# "-") | seconds | ffmpeg options for the output.
recipes=(
    # Video codecs of today.
    "av1.mkv|320x240@25|48000/2|1|-c:v libsvtav1 -preset 12 -c:a libopus -b:a 64k"
    "av1.mp4|320x240@24|-|1|-c:v libaom-av1 -cpu-used 8 -row-mt 1 -b:v 100k"
    "vp9.webm|320x240@30|48000/2|2|-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 200k -c:a libopus"
    "vp9-10bit.webm|320x240@25|-|1|-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -pix_fmt yuv420p10le -b:v 200k"
    "vp9-10bit.mkv|320x240@25|44100/2|1|-c:v libvpx-vp9 -deadline realtime -cpu-used 8 -pix_fmt yuv420p10le -c:a libvorbis"
    "hevc-hvc1.mp4|320x240@25|48000/2|1|-c:v libx265 -preset ultrafast -tag:v hvc1 -c:a aac"
    "hevc-hev1.mp4|320x240@25|-|1|-c:v libx265 -preset ultrafast -tag:v hev1"
    "hevc-10bit-hvc1.mp4|320x240@25|-|1|-c:v libx265 -preset ultrafast -pix_fmt yuv420p10le -tag:v hvc1"
    "hevc-10bit.mkv|320x240@30000/1001|48000/6|1|-c:v libx265 -preset ultrafast -pix_fmt yuv420p10le -c:a ac3"
    "hevc.ts|320x240@25|48000/2|1|-c:v libx265 -preset ultrafast -c:a mp2"
    "hevc-1080.mkv|1920x1080@5|-|1|-c:v libx265 -preset ultrafast"
    "h264-high10.mkv|320x240@25|-|1|-c:v libx264 -preset ultrafast -pix_fmt yuv420p10le"
    "h264-high10.mp4|320x240@25|-|1|-c:v libx264 -preset ultrafast -pix_fmt yuv420p10le"
    "h264-422.mkv|320x240@25|-|1|-c:v libx264 -preset ultrafast -pix_fmt yuv422p"
    "h264-444.mp4|320x240@25|-|1|-c:v libx264 -preset ultrafast -pix_fmt yuv444p"
    "h264-444-10bit.mkv|320x240@25|-|1|-c:v libx264 -preset ultrafast -pix_fmt yuv444p10le"
    # Pictures whose coded size is cropped by the sequence header.
    "h264-1080.mp4|1920x1080@5|48000/2|1|-c:v libx264 -preset ultrafast -c:a aac"
    "h264-1080.mkv|1920x1080@5|-|1|-c:v libx264 -preset ultrafast"
    "h264-1080.avi|1920x1080@5|-|1|-c:v libx264 -preset ultrafast"
    "h264-960x540.mp4|960x540@25|-|1|-c:v libx264 -preset ultrafast"
    "h264-960x540.mkv|960x540@25|-|1|-c:v libx264 -preset ultrafast"
    "h264-960x540.avi|960x540@25|-|1|-c:v libx264 -preset ultrafast"
    "h264-1280x546.mp4|1280x546@24|-|1|-c:v libx264 -preset ultrafast"
    "h264-1280x546.mkv|1280x546@24|-|1|-c:v libx264 -preset ultrafast"
    "h264-sps-crop.mp4|960x544@25|-|1|-c:v libx264 -preset ultrafast -bsf:v h264_metadata=crop_bottom=4"
    "h264-sps-crop.mkv|960x544@25|-|1|-c:v libx264 -preset ultrafast -bsf:v h264_metadata=crop_bottom=4"
    "h264-sps-crop.avi|960x544@25|-|1|-c:v libx264 -preset ultrafast -bsf:v h264_metadata=crop_right=16:crop_bottom=4"
    "h264-sps-crop-left.mkv|960x544@25|-|1|-c:v libx264 -preset ultrafast -bsf:v h264_metadata=crop_left=16:crop_top=2"
    "hevc-960x540.mp4|960x540@25|-|1|-c:v libx265 -preset ultrafast -tag:v hvc1"
    "hevc-1280x546.mkv|1280x546@24|-|1|-c:v libx265 -preset ultrafast"
    # Pixels that are not square, and interlaced pictures.
    "h264-anamorphic.mp4|720x576@25|48000/2|1|-c:v libx264 -preset ultrafast -aspect 16:9 -c:a aac"
    "h264-anamorphic.mkv|720x576@25|-|1|-c:v libx264 -preset ultrafast -aspect 16:9"
    "mpeg2-anamorphic.mpg|720x576@25|48000/2|1|-c:v mpeg2video -b:v 2M -aspect 16:9 -c:a mp2 -f vob"
    "mpeg2-interlaced.ts|720x576@25|48000/2|1|-c:v mpeg2video -b:v 2M -flags +ilme+ildct -top 1 -c:a mp2"
    "mpeg2-interlaced.mpg|720x480@30000/1001|48000/2|1|-c:v mpeg2video -b:v 2M -flags +ilme+ildct -top 1 -c:a ac3 -f vob"
    "h264-interlaced.ts|720x576@25|48000/2|1|-c:v libx264 -preset ultrafast -flags +ilme+ildct -x264opts tff=1 -c:a aac"
    # Intermediate and lossless codecs.
    "prores.mov|320x240@25|48000/2|1|-c:v prores_ks -profile:v 2 -c:a pcm_s16le"
    "prores-4444.mov|320x240@25|-|1|-c:v prores_ks -profile:v 4 -pix_fmt yuva444p10le"
    "dnxhr.mov|1280x720@25|-|1|-c:v dnxhd -profile:v dnxhr_lb -pix_fmt yuv422p"
    "dnxhd.mxf|1920x1080@25|48000/2|1|-c:v dnxhd -b:v 36M -pix_fmt yuv422p -c:a pcm_s16le"
    "ffv1.mkv|320x240@25|48000/2|1|-c:v ffv1 -c:a flac"
    "ffv1.avi|320x240@25|-|1|-c:v ffv1"
    "png.mov|320x240@10|-|1|-c:v png"
    "png.mkv|320x240@10|-|1|-c:v png"
    "qtrle.mov|320x240@10|-|1|-c:v qtrle"
    "rawvideo.avi|160x120@10|-|1|-c:v rawvideo -pix_fmt bgr24"
    "rawvideo.nut|160x120@10|-|1|-c:v rawvideo -pix_fmt yuv420p"
    "rawvideo.mkv|160x120@10|-|1|-c:v rawvideo -pix_fmt yuv420p"
    # Audio codecs of today.
    "opus.ogg|-|48000/2|2|-c:a libopus -b:a 64k"
    "opus-mono.opus|-|16000/1|2|-c:a libopus -b:a 24k"
    "opus.mkv|-|48000/6|1|-c:a libopus -b:a 128k"
    "vorbis.ogg|-|44100/2|2|-c:a libvorbis -q:a 3"
    "vorbis.webm|-|48000/1|1|-c:a libvorbis"
    "flac.flac|-|44100/2|2|-c:a flac"
    "flac-24bit.flac|-|96000/2|1|-c:a flac -sample_fmt s32"
    "flac.mkv|-|48000/2|1|-c:a flac"
    "flac.ogg|-|44100/1|1|-c:a flac"
    "alac.m4a|-|44100/2|2|-c:a alac"
    "aac-lc.m4a|-|44100/2|2|-c:a aac -b:a 128k"
    "aac-5.1.mp4|-|48000/6|1|-c:a aac -b:a 256k"
    "aac-adts.aac|-|44100/2|2|-c:a aac -b:a 96k"
    "aac-lowrate.m4a|-|22050/1|1|-c:a aac -b:a 32k"
    "ac3.ac3|-|48000/6|1|-c:a ac3 -b:a 384k"
    "ac3.mkv|-|48000/2|1|-c:a ac3 -b:a 192k"
    "eac3.mkv|-|48000/6|1|-c:a eac3 -b:a 256k"
    "eac3.mp4|-|48000/2|1|-c:a eac3 -b:a 192k"
    "dts.mkv|-|48000/2|1|-c:a dca -strict -2"
    "dts.dts|-|48000/2|1|-c:a dca -strict -2"
    "truehd.mkv|-|48000/2|1|-c:a truehd -strict -2"
    "mp2.mp2|-|48000/2|2|-c:a mp2 -b:a 192k"
    "mp3-vbr.mp3|-|44100/2|3|-c:a libmp3lame -q:a 4"
    "mp3-cbr.mp3|-|32000/1|2|-c:a libmp3lame -b:a 64k"
    "pcm16.mov|-|48000/2|1|-c:a pcm_s16le"
    "pcm24.mov|-|48000/2|1|-c:a pcm_s24le"
    "pcm-float.mov|-|44100/2|1|-c:a pcm_f32le"
    "pcm16.mkv|-|48000/2|1|-c:a pcm_s16le"
    "pcm24.mkv|-|48000/2|1|-c:a pcm_s24le"
    "pcm-float.mkv|-|44100/1|1|-c:a pcm_f32le"
    "pcm24.wav|-|96000/2|1|-c:a pcm_s24le"
    "pcm-float.wav|-|48000/2|1|-c:a pcm_f32le"
    "pcm16.w64|-|48000/2|1|-c:a pcm_s16le"
    "pcm24.w64|-|44100/6|1|-c:a pcm_s24le"
    "pcm16-h264.mp4|320x240@25|48000/2|1|-c:v libx264 -preset ultrafast -c:a pcm_s16le -f mov"
    # File structures.
    "fragmented.mp4|320x240@25|48000/2|2|-c:v libx264 -preset ultrafast -c:a aac -movflags frag_keyframe+empty_moov"
    "faststart.mp4|320x240@25|48000/2|2|-c:v libx264 -preset veryfast -c:a aac -movflags +faststart"
    "bframes.mp4|320x240@30000/1001|44100/2|2|-c:v libx264 -preset medium -bf 3 -c:a aac"
    "vfr.mkv|320x240@25|-|2|-c:v libx264 -preset ultrafast -vf select=not(mod(n\\,3)) -fps_mode vfr"
    "mpeg4.nut|320x240@25|48000/2|1|-c:v mpeg4 -c:a pcm_s16le"
    "flv.flv|320x240@25|44100/2|1|-c:v flv -c:a libmp3lame"
    "h264.flv|320x240@25|44100/2|1|-c:v libx264 -preset ultrafast -c:a aac"
    "wmv.asf|320x240@25|44100/2|1|-c:v wmv2 -c:a wmav2"
    "wmv1.wmv|320x240@15|22050/1|1|-c:v wmv1 -c:a wmav1"
    "h263.3gp|176x144@15|8000/1|1|-c:v h263 -c:a aac -b:a 12k"
    "h264.3gp|320x240@15|22050/1|1|-c:v libx264 -preset ultrafast -c:a aac"
    "h264-aac.ts|320x240@25|48000/2|1|-c:v libx264 -preset ultrafast -c:a aac"
    "mpeg1.mpg|352x288@25|44100/2|1|-c:v mpeg1video -b:v 1M -c:a mp2 -f mpeg"
    "mjpeg.mov|320x240@25|-|1|-c:v mjpeg"
    "dv.dv|720x576@25|48000/2|1|-c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le -f dv"
    "theora.ogv|320x240@25|44100/2|1|-c:v libtheora -c:a libvorbis"
    "vp8.webm|320x240@25|48000/2|1|-c:v libvpx -deadline realtime -cpu-used 8 -c:a libvorbis"
)

# One recipe: the clip with ffmpeg into the cache.
make_clip() {
    local name picture sound seconds options
    IFS='|' read -r name picture sound seconds options <<<"$1"
    local inputs=() maps=() count=0
    if [ "$picture" != - ]; then
        inputs+=(-f lavfi -i "testsrc2=size=${picture%@*}:rate=${picture#*@}:duration=$seconds")
        maps+=(-map 0:v)
        count=1
    fi
    if [ "$sound" != - ]; then
        inputs+=(-f lavfi -i "sine=frequency=440:sample_rate=${sound%/*}:duration=$seconds")
        maps+=(-map "$count:a" -ac "${sound#*/}")
    fi
    # shellcheck disable=SC2086 # the recipe's options are words on purpose
    ffmpeg -nostdin -hide_banner -loglevel error -y -threads 1 "${inputs[@]}" "${maps[@]}" \
        $options "$out/$name"
}

# Two at a time; a clip that cannot be made ends the run (wait -n gives its status).
running=0
for recipe in "${recipes[@]}"; do
    if [ "$running" -ge 2 ]; then
        wait -n
        running=$((running - 1))
    fi
    make_clip "$recipe" &
    running=$((running + 1))
done
for ((; running > 0; running--)); do wait -n; done

# Many tracks in one file: eight audio and four subtitle tracks.
printf '1\n00:00:00,000 --> 00:00:01,000\nHello\n' >"$work/a.srt"
many=(-f lavfi -i "testsrc2=size=320x240:rate=25:duration=1")
maps=(-map 0:v)
for i in 1 2 3 4 5 6 7 8; do
    many+=(-f lavfi -i "sine=frequency=$((200 * i)):sample_rate=48000:duration=1")
    maps+=(-map "$i:a")
done
for i in 9 10 11 12; do
    many+=(-i "$work/a.srt")
    maps+=(-map "$i:s")
done
ffmpeg -nostdin -hide_banner -loglevel error -y "${many[@]}" "${maps[@]}" -c:v libx264 \
    -preset ultrafast -c:a aac -b:a 64k -c:s srt "$out/tracks-8-audio-4-subtitles.mkv"

# Another muxer's Matroska: mkvmerge writes its own headers and bit rate statistics.
for clip in h264-1080.mp4 opus.ogg hevc-hvc1.mp4 aac-lc.m4a pcm24.wav; do
    mkvmerge -q -o "$out/mkvmerge-${clip%.*}.mkv" "$out/$clip"
done

# Music as libraries hold it: covers in the tags, codecs that state no bit rate of their own.
song=(-f lavfi -i "sine=frequency=330:sample_rate=44100:duration=4" -ac 2)
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "testsrc2=size=300x300" \
    -frames:v 1 "$work/cover.jpg"
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "testsrc2=size=240x240" \
    -frames:v 1 "$work/cover.png"
# One song with a cover: name | cover | ffmpeg options for the audio.
covered=(
    "cover-jpeg.mp3|jpg|-c:a libmp3lame -q:a 2 -id3v2_version 3"
    "cover-png.mp3|png|-c:a libmp3lame -b:a 192k -id3v2_version 4"
    "cover-aac.m4a|jpg|-c:a aac -b:a 128k"
    "cover-alac.m4a|png|-c:a alac"
    "cover.flac|png|-c:a flac"
)
for recipe in "${covered[@]}"; do
    IFS='|' read -r name picture options <<<"$recipe"
    # shellcheck disable=SC2086 # the recipe's options are words on purpose
    ffmpeg -nostdin -hide_banner -loglevel error -y "${song[@]}" -i "$work/cover.$picture" \
        -map 0:a -map 1:v $options -c:v copy -disposition:v attached_pic "$out/$name"
done
ffmpeg -nostdin -hide_banner -loglevel error -y "${song[@]}" -c:a flac "$work/song.flac"
mkvmerge -q -o "$out/cover-attachment.mka" --attachment-mime-type image/jpeg \
    --attachment-name cover.jpg --attach-file "$work/cover.jpg" "$work/song.flac"
ffmpeg -nostdin -hide_banner -loglevel error -y "${song[@]}" -c:a libvorbis -q:a 4 \
    -attach "$work/cover.png" -metadata:s:t mimetype=image/png "$out/cover-attachment-vorbis.mkv"
ffmpeg -nostdin -hide_banner -loglevel error -y "${song[@]}" -c:a libopus -b:a 96k "$out/song.opus"
ffmpeg -nostdin -hide_banner -loglevel error -y "${song[@]}" -c:a libvorbis -q:a 5 "$out/song.ogg"
ffmpeg -nostdin -hide_banner -loglevel error -y "${song[@]}" -c:a aac -b:a 160k "$out/song-aac.mkv"
ffmpeg -nostdin -hide_banner -loglevel error -y "${song[@]}" -c:a wavpack "$out/song.wv"
# Lengths that one rounding keeps whole: 704000 samples at 44 kHz are 16 s, and 10.2 s at 25
# frames a second are 255 frames.
ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "sine=frequency=440:sample_rate=44000:duration=16" -c:a flac "$out/exact-16s.flac"
ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i "sine=frequency=440:sample_rate=44000:duration=16" -c:a pcm_s16le \
    "$out/exact-16s.wav"
for container in mp4 mkv; do
    ffmpeg -nostdin -hide_banner -loglevel error -y \
        -f lavfi -i "testsrc2=size=160x120:rate=25:duration=10.2" -c:v libx264 -preset ultrafast \
        "$out/exact-255-frames.$container"
done

# Names that tell another format than the bytes.
cp "$out/vp9.webm" "$out/webm-named.mp4"
cp "$out/h264-1080.mkv" "$out/mkv-named.avi"
cp "$out/faststart.mp4" "$out/mp4-named.mkv"
cp "$out/h264-aac.ts" "$out/ts-named.mpg"
cp "$out/mp3-vbr.mp3" "$out/mp3-named.wav"
cp "$out/ffv1.avi" "$out/avi-without-extension"

touch "$out/$stamp"
rm -rf "$cache"
mv -T "$out" "$cache"
list
