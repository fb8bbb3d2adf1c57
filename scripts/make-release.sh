#!/usr/bin/env bash
# Builds a signed Velkor release: the update image Velkor-<version>-<build>.dmg and the feed
# appcast.json that announces it. Publish both under /updates/Velkor/ on the update host.
#
#   scripts/make-release.sh --key KEYFILE --build BUILD --notes NOTES_FILE --base-url URL
#                           [--output FOLDER] [--build-dir FOLDER]
#
#   --key       the release signing key (velkor-bundle keygen); it must live outside the
#               repository and is never copied anywhere
#   --build     the build number (CFBundleVersion); raise it with every published update
#   --notes     a text file whose content becomes the feed's release notes
#   --base-url  the HTTPS folder the image is downloaded from, on the feed's host, for example
#               https://updates.example.org/updates/Velkor
#   --output    where the image and the feed go (default: release/ in the repository)
#   --build-dir the Release build tree (default: build-release)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
key="" build="" notes="" base_url="" output="$repo/release" build_dir="$repo/build-release"

fail() { echo "make-release: $*" >&2; exit 1; }

while [ $# -gt 0 ]; do
    case "$1" in
        --key) key=${2:?}; shift 2 ;;
        --build) build=${2:?}; shift 2 ;;
        --notes) notes=${2:?}; shift 2 ;;
        --base-url) base_url=${2:?}; shift 2 ;;
        --output) output=${2:?}; shift 2 ;;
        --build-dir) build_dir=${2:?}; shift 2 ;;
        *) fail "unknown argument $1 (see the head of this script)" ;;
    esac
done

[ -n "$key" ] && [ -n "$build" ] && [ -n "$notes" ] && [ -n "$base_url" ] \
    || fail "--key, --build, --notes and --base-url are required"
[ -f "$key" ] || fail "no key at $key"
[ -f "$notes" ] || fail "no release notes at $notes"
[[ "$build" =~ ^[0-9]+$ ]] || fail "the build number must be decimal digits"
[[ "$base_url" =~ ^https://[^/]+ ]] || fail "the base URL must use HTTPS"
base_url=${base_url%/}

# A key inside the repository could end up committed: refuse to use one from there.
key_real=$(realpath "$key")
case "$key_real/" in
    "$repo"/*) fail "the signing key must be kept outside the repository" ;;
esac

bash "$repo/scripts/install-deps.sh"

cmake -S "$repo" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVELKOR_BUILD_NUMBER="$build" -DVELKOR_BUILD_TESTS=OFF -DVELKOR_BUILD_BENCH=OFF
# The application target brings the whole bundle (updater and resources) with it.
cmake --build "$build_dir" -j "$(nproc)" --target velkor velkor-bundle

staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
cmake --install "$build_dir" --prefix "$staging" --strip
bundle="$staging/Velkor.app"
[ -x "$bundle/Contents/MacOS/velkor" ] || fail "the install did not lay out $bundle"

tool="$build_dir/bin/velkor-bundle"
"$tool" sign "$bundle" --key "$key"
"$tool" verify "$bundle" >/dev/null

plist_value() {
    sed -n "/<key>$1<\/key>/{n;s/.*<string>\(.*\)<\/string>.*/\1/p;}" "$bundle/Contents/Info.plist"
}
version=$(plist_value CFBundleShortVersionString)
bundle_build=$(plist_value CFBundleVersion)
[ "$bundle_build" = "$build" ] || fail "the bundle says build $bundle_build, expected $build"

mkdir -p "$output" || fail "cannot create $output"
image_name="Velkor-$version-$build.dmg"
image="$output/$image_name"
feed="$output/appcast.json"
# Both outputs are made in full beside their final names and only then renamed over them, image
# first: an interrupted run or a full disk leaves the previous image and feed as they were, never
# a truncated image or a feed announcing one that is not there.
image_new=$(mktemp "$output/.$image_name.XXXXXX") || fail "cannot write in $output"
feed_new=$(mktemp "$output/.appcast.json.XXXXXX") || fail "cannot write in $output"
trap 'rm -rf "$staging"; rm -f "$image_new" "$feed_new"' EXIT
"$tool" pack "$bundle" "$image_new" || fail "could not write the image $image"
chmod 0644 "$image_new" "$feed_new"
sync "$image_new" || fail "could not write the image $image"
size=$(stat -c %s "$image_new")
sha256=$(sha256sum "$image_new" | cut -d ' ' -f 1)

python3 - "$feed_new" "$version" "$build" "$size" "$sha256" \
    "$base_url/$image_name" "$notes" <<'PY' || fail "could not write the feed $feed"
import datetime, json, os, sys
path, version, build, size, sha256, url, notes = sys.argv[1:]
with open(notes, encoding="utf-8") as f:
    release_notes = f.read().strip()
feed = {
    "version": version,
    "build": build,
    "size": int(size),
    "sha256": sha256,
    "download_url": url,
    "release_notes": release_notes,
    "published_at": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ"),
}
try:
    with open(path, "w", encoding="utf-8") as f:
        json.dump(feed, f, indent=2, ensure_ascii=False)
        f.write("\n")
        f.flush()
        os.fsync(f.fileno())
except OSError as error:
    print(f"make-release: {path}: {error.strerror}", file=sys.stderr)
    sys.exit(1)
PY

mv -f "$image_new" "$image" || fail "could not put the image in place at $image"
mv -f "$feed_new" "$feed" || fail "could not put the feed in place at $feed"
sync "$output" 2>/dev/null || true

echo "image $image"
echo "feed  $feed"
