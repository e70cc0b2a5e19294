// SPDX-License-Identifier: GPL-2.0-or-later
// The run's console texts, as code page 932 bytes.
#pragma once

namespace msg {

// "「ねむり ぎつね文庫ミニシナリオ」 データコンバータ for ぽぷらん\n"
inline constexpr char kBanner[] =
    "\x81u\x82\xCB\x82\xDE\x82\xE8 \x82\xAC\x82\xC2\x82\xCB\x95\xB6\x8C\xC9\x83~\x83j\x83V\x83i"
    "\x83\x8A\x83I\x81v \x83"
    "f\x81[\x83^\x83R\x83\x93\x83o\x81[\x83^ for \x82\xDB\x82\xD5\x82\xE7\x82\xF1\n";
// "##### 「ふわふわ星の小夜曲」がインストールされている #####\n"
inline constexpr char kBoxTop[] =
    "##### \x81u\x82\xD3\x82\xED\x82\xD3\x82\xED\x90\xAF\x82\xCC\x8F\xAC\x96\xE9\x8B\xC8\x81v"
    "\x82\xAA\x83"
    "C\x83\x93\x83X\x83g\x81[\x83\x8B\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xE9 #####\n";
// "##### フォルダを選択してください。                   #####\n\n"
inline constexpr char kBoxBottom[] =
    "##### \x83t\x83H\x83\x8B\x83_\x82\xF0\x91I\x91\xF0\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3"
    "\x82\xA2\x81"
    "B                   #####\n\n";
// "中止しました.\n\n"
inline constexpr char kCancelled[] = "\x92\x86\x8E~\x82\xB5\x82\xDC\x82\xB5\x82\xBD.\n\n";
// "アーカイブ作成に失敗しました.\n\n"
inline constexpr char kCannotCreate[] =
    "\x83"
    "A\x81[\x83J\x83"
    "C\x83u\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD.\n\n";
// "... コンバート中です\n\n"
inline constexpr char kConverting[] =
    "... \x83R\x83\x93\x83o\x81[\x83g\x92\x86\x82\xC5\x82\xB7\n\n";
// "終了しました.\n\n"
inline constexpr char kFinished[] = "\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD.\n\n";
// "アーカイブの書き込みに失敗しました.\n\n"
inline constexpr char kWriteFailed[] =
    "\x83"
    "A\x81[\x83J\x83"
    "C\x83u\x82\xCC\x8F\x91\x82\xAB\x8D\x9E\x82\xDD\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5"
    "\x82\xBD.\n\n";
// "何かキーを押してください.\n"
inline constexpr char kPressKey[] =
    "\x89\xBD\x82\xA9\x83L\x81[\x82\xF0\x89\x9F\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2.\n";
// "ゲームフォルダの選択", the title of the folder chooser
inline constexpr char kChooserTitle[] =
    "\x83Q\x81[\x83\x80\x83t\x83H\x83\x8B\x83_\x82\xCC\x91I\x91\xF0";

// The run's own lines for what ends it before the package is opened, each
// with the folder it names. They are English, as are the command line, its
// errors and the README that documents them, and they read the same in every
// console whatever it shows of code page 932.
inline constexpr char kGameFolderMissing[] =
    "The game folder \"%s\" does not exist or is not a folder.\n\n";
inline constexpr char kGameFolderUnknown[] =
    "The game folder \"%s\" holds none of MES, CG, ENDING, SYSTEM, CHAR: "
    "choose the folder the game is installed in.\n\n";
inline constexpr char kGameFolderUnlistable[] = "The game folder \"%s\" cannot be listed: %s\n\n";
// A file named as the game or the DATA folder: one that cannot be read, one of
// no format the converter reads, and a raw CD image (what it is).
inline constexpr char kArchiveUnreadable[] =
    "\"%s\" cannot be read as a disc image or archive: %s\n\n";
inline constexpr char kArchiveUnknown[] =
    "\"%s\" is neither a folder nor a disc image or archive that the converter reads (ISO 9660, "
    "ZIP, LZH, 7-Zip, cabinet): %s\n\n";
inline constexpr char kRawDiscImage[] =
    "\"%s\" is %s, which the converter does not read: make an ISO image of it first, for "
    "example with bchunk (Debian's bchunk package): bchunk GAME.bin GAME.cue GAME\n\n";
// The last line of standard error of a run that wrote the package without
// some of the files it found (status 3).
inline constexpr char kFilesSkipped[] =
    "msconv: the package was written without %s input file%s, each named above\n";
// The same line when SEEN files were written unsound, with both counts, or
// with theirs alone when no file was left out.
inline constexpr char kUnsoundFiles[] =
    "msconv: the package was written with %s unsound SEEN file%s, each named above\n";
inline constexpr char kFilesSkippedOrUnsound[] =
    "msconv: the package was written without %s input file%s and with %s unsound SEEN "
    "file%s, each named above\n";
// A SEEN file written unsound (status 3): the SIO file, the entry, what is
// wrong. The translation ran past the SEEN file's size (its byte count):
inline constexpr char kUnsoundOverflow[] =
    "msconv: %s: %s is unsound: its translation overflows the 65536-byte SEEN file (%s bytes)\n";
// A menu (its command's SIO offset, its items) whose count byte keeps the low 8 bits:
inline constexpr char kUnsoundMenu[] =
    "msconv: %s: %s is unsound: the menu at SIO offset 0x%s has %s items, more than the 255 its "
    "count byte holds\n";
// A sprite list (its command's SIO offset, its records) cut to what its count byte holds:
inline constexpr char kUnsoundSprites[] =
    "msconv: %s: %s is unsound: the characters at SIO offset 0x%s form %s sprites, more than the "
    "255 its count byte holds, and the rest are left out\n";
inline constexpr char kOutputInUse[] =
    "Another conversion is writing into \"%s\": this one stops and changes nothing.\n\n";
inline constexpr char kDataFolderMissing[] =
    "The DATA folder \"%s\" does not exist or is not a folder.\n\n";

// The command line's error for an empty --output or --data, after the option's name.
inline constexpr char kEmptyFolderOption[] =
    "an empty value names no folder (leave the option out for the default)";
// The same for an empty game folder argument.
inline constexpr char kEmptyGameFolder[] =
    "an empty value names no folder (leave the argument out to be asked for the game folder)";

// Lines on standard error. An entry of a disc image or archive that is not
// read (the archive, the entry's path, why), and an archive whose listing
// stopped early (the archive, the entries listed, libarchive's reason):
inline constexpr char kArchiveEntryRefused[] = "msconv: %s:%s is not read: %s\n";
inline constexpr char kArchiveDamaged[] =
    "msconv: %s cannot be read past its first %s entries (%s): the rest is not converted\n";
// The DATA folder beside the converter is missing
// (the run goes on without DATA files):
inline constexpr char kDefaultDataFolderMissing[] =
    "msconv: no DATA folder at %s: the package is written without DATA files\n";
// Something at the package's path that the finished package could not replace,
// found before anything is written; the second %s says what it is:
inline constexpr char kPackagePathTaken[] =
    "msconv: cannot write %s: it is %s, which the package cannot replace\n";
// A staging file that an earlier run left (it ended without removing it)
// was removed before this run created its own:
inline constexpr char kStaleStagingRemoved[] =
    "msconv: removed %s, a staging file left by an earlier run\n";
inline constexpr char kAFolder[] = "a folder";
inline constexpr char kNoRegularFile[] = "no regular file";
// A closed standard descriptor could not be opened on the null device:
inline constexpr char kStandardStreamClosed[] =
    "msconv: a standard stream is closed and cannot be opened on the null device: %s\n";
}  // namespace msg
