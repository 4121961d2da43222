// The finder's own texts, shared by the dialog and glyphwell-scan. They are
// written here in UTF-8 and handed around as CP936, like every other text of
// the system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "finder/engine/SearchOutcome.h"

// The CP936 form of a text written in UTF-8 in the source.
std::string Ansi(std::string_view utf8);

namespace texts {

inline constexpr char kCaption[] = "Glyphwell";
inline constexpr char kSearch[] = "搜索(&S)";
inline constexpr char kCancel[] = "取消(&C)";
inline constexpr char kStatusIdle[] = "进度条";
inline constexpr char kDirectoryPrefix[] = "目录 ";
inline constexpr char kFilePrefix[] = "文件 ";
inline constexpr char kMissingSuffix[] = " 不存在!";
// The report would be deleted at the start, though the search is to read it.
inline constexpr char kReportPrefix[] = "日志文件 ";
inline constexpr char kReportIsSourceSuffix[] = " 是要搜索的文件之一，请另选日志文件!";
inline constexpr char kStartQuestion[] = "将要开始搜索，可能要占用较长时间\r\n\r\n是否继续?";
inline constexpr char kCancelQuestion[] = "是否取消搜索?";
inline constexpr char kPreparing[] = "正在作准备工作，请稍后... ";
inline constexpr char kClosingWorker[] = "正在关闭工作者线程，请稍后... ";
inline constexpr char kParsing[] = "正在解析文件 ";
inline constexpr char kNoWorker[] = "无法启动工作者线程，搜索没有开始。";
inline constexpr char kEnterInteger[] = "请输入一个整数。";
inline constexpr char kAdvertisement[] = "广告：要比较同步 Excel 工作表，请使用 Tabulix";
inline constexpr char kFileFilter[] = "文本文件(*.txt)|*.txt|所有文件(*.*)|*.*||";
inline constexpr char kFolderTitle[] = "\n请选择一个目录：";
inline constexpr char kManualName[] = "岚桥检字器.html";
inline constexpr char kEncodingLabel[] = "文件编码:";
inline constexpr char kCharsLabel[] = "统计字符:";

}  // namespace texts

// "处理结束 共搜索了 N 个文件，发现汉字 M 个。" in CP936.
std::string CompletionText(std::int64_t fileCount, std::int64_t charCount);
std::string CompletionText(const SearchOutcome& outcome);

// What a search lost and where, for the box that follows the completion text
// (CP936): the report, the workbook, files not scanned whole. Empty when
// nothing was lost.
std::string LostText(const SearchOutcome& outcome);

// The box shown when the desktop could not open a file: it names the file
// as it lies on disk, so the user can open it by hand (CP936).
std::string CannotOpenText(const std::string& nativePath);
