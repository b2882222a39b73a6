#!/usr/bin/env bash
# Makes the small test clips in this folder with the ffmpeg command-line tool.
# The clips are committed; run this only to make them anew (the bytes differ between ffmpeg
# versions, so tests that name exact values may need the new values).
set -euo pipefail
cd "$(dirname "$0")"

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
video="testsrc=size=160x120:rate=25:duration=2"
ntsc="testsrc=size=160x120:rate=30000/1001:duration=2"
tone="sine=frequency=440:sample_rate=44100:duration=2"
tone48="sine=frequency=440:sample_rate=48000:duration=2"
tone22="sine=frequency=440:sample_rate=22050:duration=1"

srt=$(mktemp --suffix=.srt)
trap 'rm -f "$srt"' EXIT
printf '1\n00:00:00,000 --> 00:00:01,500\nHello\n' >"$srt"

# AVI: MPEG-4 Part 2 stored as XVID with MP3 audio (the sample clip), and Motion JPEG with PCM.
ff -f lavfi -i "$video" -f lavfi -i "$tone" -c:v mpeg4 -vtag XVID -q:v 10 \
   -c:a libmp3lame -b:a 64k -ac 2 xvid_mp3.avi
ff -f lavfi -i "$video" -f lavfi -i "$tone22" -t 1 -c:v mjpeg -q:v 25 -pix_fmt yuvj420p \
   -c:a pcm_s16le -ac 1 mjpeg_pcm.avi
# AVI: H.264 alone, one second. AVI stores no codec header for it: the sequence header travels
# in the first packet.
ff -f lavfi -i "$video" -t 1 -c:v libx264 -preset veryfast -crf 35 -pix_fmt yuv420p h264.avi
# Matroska: H.264 with AAC and a subtitle track.
ff -f lavfi -i "$ntsc" -f lavfi -i "$tone48" -i "$srt" -map 0 -map 1 -map 2 \
   -c:v libx264 -preset veryfast -crf 35 -pix_fmt yuv420p -c:a aac -b:a 64k -ac 2 -c:s srt \
   h264_aac_srt.mkv
# MP4: H.264 with AAC, six channels.
ff -f lavfi -i "$video" -f lavfi -i "$tone48" -c:v libx264 -preset veryfast -crf 35 \
   -pix_fmt yuv420p -c:a aac -b:a 96k -ac 6 h264_aac.mp4
# Ogg: Theora with Vorbis.
ff -f lavfi -i "$video" -f lavfi -i "$tone" -c:v libtheora -q:v 3 -c:a libvorbis -q:a 0 -ac 2 \
   theora_vorbis.ogv
# MPEG program stream: MPEG-2 video (4:3 picture on non-square pixels) with MPEG-1 Layer II audio.
ff -f lavfi -i "testsrc=size=352x288:rate=25:duration=1" -f lavfi -i "$tone48" \
   -c:v mpeg2video -b:v 200k -aspect 4:3 -c:a mp2 -b:a 64k -ac 2 -f vob mpeg2_mp2.mpg
# WMV: Windows Media Video 8 with Windows Media Audio 2.
ff -f lavfi -i "$video" -f lavfi -i "$tone" -c:v wmv2 -b:v 200k -c:a wmav2 -b:a 64k -ac 2 \
   wmv2_wma2.wmv
# WAV: plain PCM.
ff -f lavfi -i "$tone22" -c:a pcm_s16le -ac 1 pcm.wav
