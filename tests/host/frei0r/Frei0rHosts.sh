#!/usr/bin/env bash
# The plugins in real frei0r hosts: ffmpeg's frei0r filter, MLT's melt and GStreamer's frei0r
# elements apply the effects to a clip kept lossless, and every decoded frame equals
# zrq-render's on the same frames.
set -euo pipefail

bin="${ZRQ_BINARY_DIR:?names the build folder}/bin"
export FREI0R_PATH="$bin/frei0r-1"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"

size=320x240
fail() { echo "FAIL: $*" >&2; exit 1; }
quiet=(-hide_banner -loglevel error -nostdin -y)

# Six frames of a moving test picture, lossless (FFV1 keeps BGRA exactly), and their bytes.
ffmpeg "${quiet[@]}" -f lavfi -i "testsrc2=size=$size:rate=25" -frames:v 6 -pix_fmt bgra \
  -c:v ffv1 clip.mkv
ffmpeg "${quiet[@]}" -i clip.mkv -f rawvideo -pix_fmt bgra clip.raw

# decoded FILE: the frames of a clip, as raw BGRA
decoded() { ffmpeg "${quiet[@]}" -i "$1" -f rawvideo -pix_fmt bgra -; }

plugins=(zrq_wave zrq_replicate zrq_mirror_top zrq_mirror_bottom zrq_mirror_left zrq_mirror_right
         zrq_color_shift_horizontal zrq_color_shift_vertical zrq_color_shift_diagonal zrq_panel_rotate)
for i in "${!plugins[@]}"; do
  plugin=${plugins[$i]}
  effect=$((2001 + i))
  "$bin/zrq-render" --raw $size --effect $effect --value 29 --input clip.raw --output expected.raw

  ffmpeg "${quiet[@]}" -i clip.mkv -vf "frei0r=filter_name=$plugin:filter_params=0.29" \
    -pix_fmt bgra -c:v ffv1 ffmpeg.mkv
  decoded ffmpeg.mkv | cmp -s - expected.raw || fail "ffmpeg with $plugin differs from zrq-render"

  # The generic plugin, the effect chosen by its tenth.
  ffmpeg "${quiet[@]}" -i clip.mkv \
    -vf "frei0r=filter_name=zrq_distortion2d:filter_params=0.29|0.$i" -pix_fmt bgra -c:v ffv1 generic.mkv
  decoded generic.mkv | cmp -s - expected.raw || fail "ffmpeg with zrq_distortion2d at 0.$i differs"
done

# melt, on three of them (it starts slower); its frei0r parameters go by index.
for plugin in zrq_wave zrq_mirror_left zrq_panel_rotate; do
  case $plugin in
    zrq_wave) effect=2001 ;;
    zrq_mirror_left) effect=2005 ;;
    zrq_panel_rotate) effect=2010 ;;
  esac
  "$bin/zrq-render" --raw $size --effect $effect --value 40 --input clip.raw --output expected.raw
  melt -quiet clip.mkv -filter "frei0r.$plugin" 0=0.4 \
    -consumer avformat:melt.mkv vcodec=ffv1 pix_fmt=bgra an=1 >/dev/null 2>melt.log ||
    { cat melt.log >&2; fail "melt with $plugin failed"; }
  decoded melt.mkv | cmp -s - expected.raw || fail "melt with $plugin differs from zrq-render"
done
# GStreamer, on raw frames; its frei0r elements name the parameters after the plugin's own
# ("Effect Value" is effect-value). A registry of its own, so no cache hides the plugins.
export GST_REGISTRY="$folder/gstreamer.registry"
for plugin in zrq_wave zrq_mirror_left zrq_panel_rotate; do
  case $plugin in
    zrq_wave) effect=2001 ;;
    zrq_mirror_left) effect=2005 ;;
    zrq_panel_rotate) effect=2010 ;;
  esac
  "$bin/zrq-render" --raw $size --effect $effect --value 57 --input clip.raw --output expected.raw
  gst-launch-1.0 -q filesrc location=clip.raw ! \
    rawvideoparse width=${size%x*} height=${size#*x} format=bgra framerate=25/1 ! \
    "frei0r-filter-${plugin//_/-}" effect-value=0.57 ! filesink location=gstreamer.raw ||
    fail "GStreamer with $plugin failed"
  cmp -s gstreamer.raw expected.raw || fail "GStreamer with $plugin differs from zrq-render"
done
echo "ffmpeg, melt and GStreamer match zrq-render for every plugin"
