#!/usr/bin/env bash
# Makes the benchmark's corpus in DIR: COUNT short clips (300 by default) in a mix of containers
# and codecs, with the ffmpeg command-line tool. Two encoders run at a time.
set -euo pipefail
dir=${1:?usage: make-corpus.sh DIR [COUNT]}
count=${2:-300}
mkdir -p "$dir"

srt="$dir/subtitle.srt"
printf '1\n00:00:00,000 --> 00:00:01,500\nHello\n' >"$srt"

# Each recipe: the file extension, then the encoding options (video and audio).
recipes=(
    "avi|-c:v mpeg4 -vtag XVID -q:v 8 -c:a libmp3lame -b:a 96k"
    "avi|-c:v mjpeg -q:v 20 -pix_fmt yuvj420p -c:a pcm_s16le"
    "avi|-c:v msmpeg4 -b:v 300k -c:a mp2 -b:a 128k"
    "avi|-c:v libx264 -preset ultrafast -c:a ac3 -b:a 128k"
    "mkv|-c:v libx264 -preset veryfast -crf 30 -c:a aac -b:a 96k -c:s srt SUB"
    "mkv|-c:v mpeg4 -q:v 6 -c:a libvorbis -q:a 2"
    "webm|-c:v libvpx -b:v 200k -deadline realtime -cpu-used 8 -c:a libvorbis -q:a 1"
    "webm|-c:v libvpx-vp9 -b:v 200k -deadline realtime -cpu-used 8 -c:a libopus -b:a 64k"
    "mp4|-c:v libx264 -preset veryfast -crf 30 -c:a aac -b:a 128k"
    "mp4|-c:v libx265 -preset ultrafast -x265-params log-level=error -c:a aac -b:a 64k"
    "mov|-c:v mjpeg -q:v 15 -c:a aac -b:a 96k"
    "ogv|-c:v libtheora -q:v 4 -c:a libvorbis -q:a 1"
    "ogg|-vn -c:a libvorbis -q:a 3"
    "opus|-vn -c:a libopus -b:a 48k"
    "mpg|-c:v mpeg2video -b:v 400k -c:a mp2 -b:a 128k -ar 48000 -f vob"
    "mpg|-c:v mpeg1video -b:v 400k -c:a mp2 -b:a 128k -ar 44100 -f mpeg"
    "ts|-c:v libx264 -preset veryfast -crf 30 -c:a aac -b:a 96k"
    "ts|-c:v mpeg2video -b:v 400k -c:a ac3 -b:a 192k -ar 48000"
    "wmv|-c:v wmv2 -b:v 300k -c:a wmav2 -b:a 64k"
    "flv|-c:v flv -b:v 300k -c:a libmp3lame -b:a 64k -ar 44100"
    "wav|-vn -c:a pcm_s16le"
    "mp3|-vn -c:a libmp3lame -b:a 128k"
    "flac|-vn -c:a flac"
    "m4a|-vn -c:a aac -b:a 128k"
    "mkv|-c:v libx264 -preset ultrafast -c:a flac"
    "mkv|-c:v libx264 -preset ultrafast -pix_fmt yuv420p10le -c:a libopus -b:a 48k"
    "mkv|-c:v libx264 -preset ultrafast -pix_fmt gray -c:a libmp3lame -b:a 96k"
)
sizes=(160x120 320x240 176x144 352x288)
rates=(25 30000/1001 24 50)
audio_rates=(44100 48000 32000 22050)

make_clip() {
    local i=$1 recipe=${recipes[$(($1 % ${#recipes[@]}))]}
    local ext=${recipe%%|*} options=${recipe#*|}
    local seconds=$((1 + i % 10 * 2)) size=${sizes[$((i / 3 % 4))]} rate=${rates[$((i / 5 % 4))]}
    local sample_rate=${audio_rates[$((i / 7 % 4))]} channels=$((1 + i % 2))
    local inputs=(-f lavfi -i "testsrc=size=$size:rate=$rate:duration=$seconds"
                  -f lavfi -i "sine=frequency=440:sample_rate=$sample_rate:duration=$seconds")
    local maps=(-map 0:v -map 1:a)
    case $options in
    -vn*) inputs=("${inputs[@]:4}"); maps=(-map 0:a) ;;
    *SUB) options=${options% SUB}; inputs+=(-i "$srt"); maps+=(-map 2:s) ;;
    esac
    # shellcheck disable=SC2086 # the recipe's options are words on purpose
    ffmpeg -nostdin -hide_banner -loglevel error -y -threads 1 "${inputs[@]}" "${maps[@]}" \
        $options -ac "$channels" "$dir/$(printf 'clip%03d' "$i").$ext"
}

for ((i = 0; i < count; i++)); do
    # Two at a time: one per core.
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
    make_clip "$i" &
done
wait
rm -f "$srt"
