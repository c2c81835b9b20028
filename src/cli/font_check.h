// Whether a rendering can show Chinese text: without a Chinese font,
// Graphviz draws every Chinese character of a PNG as a box.
#ifndef TOPOPLAN_FONT_CHECK_H_
#define TOPOPLAN_FONT_CHECK_H_

// The Debian package of the font the drawings name.
constexpr char kChineseFontPackage[] = "fonts-wqy-microhei";

// True when fontconfig's `fc-list :lang=zh` ran and found no font. False
// when it found one, and also when it could not be run or did not answer
// within ten seconds, since then nothing is known.
bool chineseFontMissing();

#endif  // TOPOPLAN_FONT_CHECK_H_
