// Fixed texts of the lookup library, in GBK as the library hands them out. The readable form of
// each stands in the comment above it.
#pragma once

namespace lodestar {

// WAP上网,QQ会员: country of the address 0.0.0.0.
inline constexpr char kWapCountry[] = "WAP\xc9\xcf\xcd\xf8,QQ\xbb\xe1\xd4\xb1";
// 无法打开数据: country of every database lookup while no database is loaded.
inline constexpr char kNotLoadedCountry[] = "\xce\xde\xb7\xa8\xb4\xf2\xbf\xaa\xca\xfd\xbe\xdd";
// 未知数据，请与Larchwood联系: country of an address outside every range, or of input that is no
// address, or of a lookup that would leave the database buffer.
inline constexpr char kUnknownCountry[] =
    "\xce\xb4\xd6\xaa\xca\xfd\xbe\xdd\xa3\xac\xc7\xeb\xd3\xebLarchwood\xc1\xaa\xcf\xb5";
// 自已的IP数据库超过5K,建议与QQwry.dat合并,否则会慢.
inline constexpr char kLargeOwnTableText[] =
    "\xd7\xd4\xd2\xd1\xb5\xc4IP\xca\xfd\xbe\xdd\xbf\xe2\xb3\xac\xb9\xfd"
    "5K,\xbd\xa8\xd2\xe9\xd3\xebQQwry.dat\xba\xcf\xb2\xa2,\xb7\xf1\xd4\xf2\xbb\xe1\xc2\xfd.";
// 建议
inline constexpr char kLargeOwnTableCaption[] = "\xbd\xa8\xd2\xe9";
// 不能打开文件
inline constexpr char kOpenFailedCaption[] = "\xb2\xbb\xc4\xdc\xb4\xf2\xbf\xaa\xce\xc4\xbc\xfe";
// 不能分配内存
inline constexpr char kNoMemoryText[] = "\xb2\xbb\xc4\xdc\xb7\xd6\xc5\xe4\xc4\xda\xb4\xe6";
// 不能读入文件
inline constexpr char kReadFailedCaption[] = "\xb2\xbb\xc4\xdc\xb6\xc1\xc8\xeb\xce\xc4\xbc\xfe";
// QQwry.dat文件有损坏
inline constexpr char kDamagedCaption[] = "QQwry.dat\xce\xc4\xbc\xfe\xd3\xd0\xcb\xf0\xbb\xb5";
// ★, the mark in front of every country that comes from the own table.
inline constexpr char kStar[] = "\xa1\xef";

// Area text that the database stores for ranges whose area is not known. It is a domain-like
// marker so that it can never be mistaken for a place; the location plug-in removes it from the
// header it writes, and the database builder writes it for ranges given without an area.
inline constexpr char kUnknownAreaMarker[] = "area.unknown.invalid";

}  // namespace lodestar
