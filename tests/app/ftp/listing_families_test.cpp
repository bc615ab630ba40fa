// Every listing family the reader knows, with lines written after the servers' documentation
// and the public descriptions of their formats, read at a fixed "now"; then whole listings:
// the family decided once, VMS entries over two lines, garbage that must yield nothing wrong.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/ftp/ftp_listing.h"

namespace {

bool Leap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// FILETIME units of a UTC date, counted day by day from 1601 (apart from the reader's formula).
uint64_t Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  uint64_t days = 0;
  for (int y = 1601; y < year; ++y) days += Leap(y) ? 366 : 365;
  for (int m = 1; m < month; ++m) days += kDays[m - 1] + (m == 2 && Leap(year) ? 1 : 0);
  days += static_cast<uint64_t>(day - 1);
  return (days * 86400 + hour * 3600 + minute * 60 + second) * 10000000ull;
}

constexpr int64_t kNow = 1718452800;  // 2024-06-15 12:00:00 UTC
constexpr uint64_t kAnyTime = UINT64_MAX;

struct Case {
  const char* family;
  std::string listing;  // one or more lines
  const char* name;     // the last entry read; nullptr: nothing may be read
  bool folder;
  bool link;
  uint64_t size;
  uint64_t modified;  // 0: unknown; kAnyTime: not checked
};

const char* const kMvsHeader =
    "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\r\n";
const char* const kPdsHeader =
    " Name     VV.MM   Created       Changed      Size  Init   Mod   Id\r\n";

TEST(FtpListingFamilies, EveryFamilyReadsItsRealLines) {
  const std::vector<Case> table = {
      // Unix ls -l (vsftpd, ProFTPD, GNU ls); a date without a year ahead of now is last year's
      {"Unix", "drwxr-xr-x    2 0        0            4096 Dec 09 03:38 my dir", "my dir", true,
       false, 0, Utc(2023, 12, 9, 3, 38)},
      {"Unix", "-rw-r--r--    1 ftp      ftp             6 Jun 15 03:38 my file.txt", "my file.txt",
       false, false, 6, Utc(2024, 6, 15, 3, 38)},
      {"Unix", "lrwxrwxrwx    1 0        0               9 Jan 10 10:00 to plain -> plain.txt",
       "to plain", false, true, 9, Utc(2024, 1, 10, 10, 0)},
      {"Unix", "-rw-r--r--   1 root     root         1383 Apr 10  1997 ip.c", "ip.c", false, false,
       1383, Utc(1997, 4, 10)},
      {"Unix numeric month", "-rw-r--r--   1 ftp  ftp   12345  3 29 03:26 numeric.txt",
       "numeric.txt", false, false, 12345, Utc(2024, 3, 29, 3, 26)},
      {"Unix ISO date", "-rw-r--r--   1 ftp  ftp   100 2005-06-07 21:22 iso.txt", "iso.txt", false,
       false, 100, Utc(2005, 6, 7, 21, 22)},
      {"Unix full-iso",
       "-rw-r--r-- 1 ftp ftp 100 2005-06-07 21:22:33.123456789 +0200 full time.txt",
       "full time.txt", false, false, 100, Utc(2005, 6, 7, 19, 22, 33)},
      {"Unix MM-DD YYYY", "-rw-r--r--   1 ftp  ftp   100 09-26 2000 md.txt", "md.txt", false, false,
       100, Utc(2000, 9, 26)},
      {"Unix MM-DD HH:MM", "-rw-r--r--   1 ftp  ftp   100 09-26 13:45 mdt.txt", "mdt.txt", false,
       false, 100, Utc(2023, 9, 26, 13, 45)},
      {"Unix YYYY.MM.DD", "-rw-r--r-- 1 ftp ftp 100 2004.07.15 dotted.txt", "dotted.txt", false,
       false, 100, Utc(2004, 7, 15)},
      {"Unix YYYY/MM/DD", "drwxr-xr-x 2 ftp ftp 512 1999/10/12 slashed", "slashed", true, false, 0,
       Utc(1999, 10, 12)},
      {"Unix DD-MM-YYYY", "-rw-r--r-- 1 ftp ftp 100 24-04-2003 day first.txt", "day first.txt",
       false, false, 100, Utc(2003, 4, 24)},
      {"Unix German", "-rw-r--r--   1 anna  users   2048 26. Juli, 20:43 bericht.txt",
       "bericht.txt", false, false, 2048, Utc(2023, 7, 26, 20, 43)},
      {"Unix German", "drwxr-xr-x   3 anna  users   4096  2.   Okt. 2005 archiv", "archiv", true,
       false, 0, Utc(2005, 10, 2)},
      {"Unix Hungarian", "-rw-r--r-- 1 laci users 512 szept 20 10:20 level.txt", "level.txt", false,
       false, 512, Utc(2023, 9, 20, 10, 20)},
      {"Unix Hungarian", "-rw-r--r-- 1 laci users 512 2004. szept. 20. r\xc3\xa9gi.txt",
       "r\xc3\xa9gi.txt", false, false, 512, Utc(2004, 9, 20)},
      {"Unix Japanese UTF-8", "-rw-r--r--   1 taro  staff  1024  3月 29日 03:26 メモ.txt",
       "メモ.txt", false, false, 1024, Utc(2024, 3, 29, 3, 26)},
      {"Unix Japanese Shift_JIS",
       "-rw-r--r-- 1 taro staff 1024 11\x8c\x8e  5\x93\xfa  2003 old.txt", "old.txt", false, false,
       1024, Utc(2003, 11, 5)},
      {"Unix Chinese UTF-8", "drwxr-xr-x 2 wang staff 4096 11月  5  2003 文件夹", "文件夹", true,
       false, 0, Utc(2003, 11, 5)},
      {"Unix Chinese GBK",
       "-rw-r--r-- 1 wang staff 2048 2003\xc4\xea"
       "11\xd4\xc2"
       "5\xc8\xd5 gbk.txt",
       "gbk.txt", false, false, 2048, Utc(2003, 11, 5)},
      {"Unix Korean UTF-8", "-rw-r--r-- 1 kim staff 100 3월 29일 03:26 korean.txt", "korean.txt",
       false, false, 100, Utc(2024, 3, 29, 3, 26)},
      {"Unix Korean EUC-KR", "-rw-r--r-- 1 kim staff 100 11\xbf\xf9  5\xc0\xcf  2003 euckr.txt",
       "euckr.txt", false, false, 100, Utc(2003, 11, 5)},
      // A small size before a date of bare numbers: the size's word is no date's start.
      {"Unix bare numeric month", "-rw-r--r-- 1 user group 7 3 29 03:26 bare.txt", "bare.txt",
       false, false, 7, Utc(2024, 3, 29, 3, 26)},
      {"Unix day before month", "-rw-r--r-- 1 user group 1234 29 Jul 2005 daymonth.txt",
       "daymonth.txt", false, false, 1234, Utc(2005, 7, 29)},
      {"Unix day before month", "-rw-r--r-- 1 user group 1234 01 oct 10:20 lower.txt", "lower.txt",
       false, false, 1234, Utc(2023, 10, 1, 10, 20)},
      {"Unix domain column", "-rw-r--r--   1 jdoe  CORP  staff  1234 Jan 10 10:00 domain.txt",
       "domain.txt", false, false, 1234, Utc(2024, 1, 10, 10, 0)},
      {"Unix no group", "-rw-r--r--   1 500        2048 Feb  3  2010 no group.dat", "no group.dat",
       false, false, 2048, Utc(2010, 2, 3)},
      {"Unix no links, owner or group", "-rw-r--r-- 2048 Feb  3  2010 bare file", "bare file",
       false, false, 2048, Utc(2010, 2, 3)},
      {"Unix group into size", "-rw-r--r--   1 backup   operators123456789 Jan 10 10:00 run.tar",
       "run.tar", false, false, 123456789, Utc(2024, 1, 10, 10, 0)},
      {"Unix size unit", "-rw-r--r--   1 user group 33.5k Jan 10 10:00 human.txt", "human.txt",
       false, false, 34304, kAnyTime},
      {"Unix size unit", "-rw-r--r--   1 user group 1.2M Jan 10 10:00 mega.bin", "mega.bin", false,
       false, 1258291, kAnyTime},
      // numeric owner and group that could be a bare date: the date with a month name wins
      {"Unix numeric ids", "-rw-r--r-- 1 1 1 2000 Jan 10 10:00 ids", "ids", false, false, 2000,
       Utc(2024, 1, 10, 10, 0)},
      {"Unix no date", "-rw-r--r--   1 user group 4321 no date.txt", "no date.txt", false, false,
       4321, 0},
      {"Unix numeric mode", "100644 1 user group 555 Jan 10 10:00 octal.txt", "octal.txt", false,
       false, 555, kAnyTime},
      {"Unix numeric mode", "040755 2 user group 512 Jan 10 10:00 octal dir", "octal dir", true,
       false, 0, kAnyTime},
      {"Unix numeric mode", "l777 1 user group 7 Jan 10 10:00 octal link -> x", "octal link", false,
       true, 7, kAnyTime},
      {"Unix 24:00", "-rw-r--r--   1 user     group       8192 Jun 14 24:00 midnight.log",
       "midnight.log", false, false, 8192, Utc(2024, 6, 15)},
      {"Unix owner into size", "-rw-r--r-- owner groupname44567 Oct 10 2010 no links.txt",
       "no links.txt", false, false, 44567, Utc(2010, 10, 10)},
      {"Unix seconds", "100644   1 owner    group      2398 1119470400 epoch.txt", "epoch.txt",
       false, false, 2398, Utc(2005, 6, 22, 20, 0)},
      {"Unix seconds", "040755   2 owner    group       512 1119470400   epoch  dir", "epoch  dir",
       true, false, 0, Utc(2005, 6, 22, 20, 0)},
      {"Unix dashed date", "-rw-r--r--   1 owner    group      1234 01-jun-99 10:22 dashed.txt",
       "dashed.txt", false, false, 1234, Utc(1999, 6, 1, 10, 22)},
      {"Unix dashed date", "drwxr-xr-x   2 owner    group       512 15-Sep-2003   old dir",
       "old dir", true, false, 0, Utc(2003, 9, 15)},
      {"Unix German", "-rw-r--r--   1 user     users      4711 30. Jan., 12:40 notiz.txt",
       "notiz.txt", false, false, 4711, Utc(2024, 1, 30, 12, 40)},
      {"Unix Japanese UTF-8", "-rw-r--r--   1 user     group      1024  1月 12 10:20 readme.txt",
       "readme.txt", false, false, 1024, Utc(2024, 1, 12, 10, 20)},
      {"Unix Chinese GBK", "-rw-r--r--   1 user     group       300 12\xd4\xc2 01 10:00 gbk.txt",
       "gbk.txt", false, false, 300, Utc(2023, 12, 1, 10, 0)},
      // a date no ls writes is padded by the server: those blanks are no part of the name
      {"Unix YYYY.MM.DD padded", "-rw-r--r--   1 user group 2048 2004.07.15   dotted  name.txt",
       "dotted  name.txt", false, false, 2048, Utc(2004, 7, 15)},
      {"NetPresenz", "-------r--         512   204800   205312 Mar 14  1997 Stuffit.sit",
       "Stuffit.sit", false, false, 205312, Utc(1997, 3, 14)},
      {"NetPresenz", "drwxrwxr-x               folder        5 Jan 10  1998 Applications",
       "Applications", true, false, 0, Utc(1998, 1, 10)},
      {"VShell old", "-rwxr-xr-x    1 owner  group  1234 Jun 28 2006 04:28 vshell.txt",
       "vshell.txt", false, false, 1234, Utc(2006, 6, 28, 4, 28)},
      {"VShell new", "drwxr-xr-x    1 owner  group     0 Jun 28 04:28 vshell dir", "vshell dir",
       true, false, 0, Utc(2023, 6, 28, 4, 28)},
      // DOS / IIS
      {"DOS", "01-15-24  10:30AM       <DIR>          my dir", "my dir", true, false, 0,
       Utc(2024, 1, 15, 10, 30)},
      {"DOS four-digit year", "01-15-2024  10:30PM            1,234,567 big file.iso",
       "big file.iso", false, false, 1234567, Utc(2024, 1, 15, 22, 30)},
      {"DOS four-digit year", "12-31-1999  11:59PM  1.048.576 y2k.txt", "y2k.txt", false, false,
       1048576, Utc(1999, 12, 31, 23, 59)},
      // MLSD
      {"MLSD", "type=file;size=1024;modify=20240110100000;perm=r;\tTab Name.txt", "Tab Name.txt",
       false, false, 1024, Utc(2024, 1, 10, 10, 0)},
      {"MLSD", "Size=12;Modify=20240110100000.5;TYPE=File; Mixed Case", "Mixed Case", false, false,
       12, Utc(2024, 1, 10, 10, 0)},
      {"MLSD", "modify=20240110100000;type=OS.unix=slink:/etc/hosts; hosts", "hosts", false, true,
       0, kAnyTime},
      {"MLSD", "type=os.UNIX=symlink;size=9; latest", "latest", false, true, 9, 0},
      // EPLF
      {"EPLF", "+i9006.1234,m1104537600,r,s5120,\treadme.txt", "readme.txt", false, false, 5120,
       Utc(2005, 1, 1)},
      {"EPLF", "+i9006.1235,m1104537600,/,\tpub", "pub", true, false, 0, Utc(2005, 1, 1)},
      // NetWare
      {"NetWare", "d [R----F--] supervisor            512       Jan 16 18:53    login", "login",
       true, false, 0, Utc(2024, 1, 16, 18, 53)},
      {"NetWare", "- [RWCEAFMS] rhesus             214059       Oct 20  2003    cx.exe", "cx.exe",
       false, false, 214059, Utc(2003, 10, 20)},
      // OS/2
      {"OS/2", "           0           DIR   12-18-01   19:18  MYDIR", "MYDIR", true, false, 0,
       Utc(2001, 12, 18, 19, 18)},
      {"OS/2", "        3057      A          12-18-01   19:18  CONFIG.SYS", "CONFIG.SYS", false,
       false, 3057, Utc(2001, 12, 18, 19, 18)},
      {"OS/2", "        1234               05-06-98   09:05  no attributes.txt",
       "no attributes.txt", false, false, 1234, Utc(1998, 5, 6, 9, 5)},
      {"OS/2 years since 1900", "         0           DIR   04-23-103   10:18  MYDIR", "MYDIR",
       true, false, 0, Utc(2003, 4, 23, 10, 18)},
      {"OS/2 years since 1900", "     12345      A          04-23-103   10:18  FILE.TXT",
       "FILE.TXT", false, false, 12345, Utc(2003, 4, 23, 10, 18)},
      // VMS: versions kept on files, ".DIR;n" folders bare, sizes in 512-byte blocks
      {"VMS",
       "Directory DISK$USER:[JOHN]\r\n\r\n"
       "LOGIN.COM;3          2/4     12-MAR-2004 10:20:30  [STAFF,JOHN]  (RWED,RWED,RE,)",
       "LOGIN.COM;3", false, false, 1024, Utc(2004, 3, 12, 10, 20, 30)},
      {"VMS", "SUBDIR.DIR;1  1/3  5-JAN-2004 09:00:00.12 [STAFF,JOHN] (RWE,RWE,RE,E)", "SUBDIR",
       true, false, 0, Utc(2004, 1, 5, 9, 0)},
      {"VMS two-line",
       "A_VERY_LONG_FILE_NAME.TEXT;12\r\n"
       "                    64   4-MAR-2019 00:04 [USR,GRP] (RWED,RWED,RWED,R)",
       "A_VERY_LONG_FILE_NAME.TEXT;12", false, false, 32768, Utc(2019, 3, 4, 0, 4)},
      {"VMS", "FILE.DAT;1  64  4-MAR-2019 00:04", "FILE.DAT;1", false, false, 32768, kAnyTime},
      {"VMS size with unit", "REPORT.TXT;2   2KB  19-JUL-2003 10:45:12  [GROUP,OWNER] (RWED,RE,,)",
       "REPORT.TXT;2", false, false, 2048, Utc(2003, 7, 19, 10, 45, 12)},
      // French months: "JUI" is juin or juillet, so the date is unknown
      {"VMS French", "LISEZMOI.TXT;1   3/4   14-JUI-2002 18:20:51  [GRP,USER]  (RWED,RWED,RE,)",
       "LISEZMOI.TXT;1", false, false, 1536, 0},
      {"VMS French", "DONNEES.DAT;1   5/6   14-AOU-2002 18:20:51  [GRP,USER]  (RWED,RWED,RE,)",
       "DONNEES.DAT;1", false, false, 2560, Utc(2002, 8, 14, 18, 20, 51)},
      {"VMS other order", "DATA.DAT;1   [GRP,USER]   5/6   3-SEP-2005 11:20:00  (RWED,RWED,,)",
       "DATA.DAT;1", false, false, 2560, Utc(2005, 9, 3, 11, 20)},
      {"VMS other order", "LOG.TXT;7   11-OCT-2000 11:26:27   2/3", "LOG.TXT;7", false, false, 1024,
       Utc(2000, 10, 11, 11, 26, 27)},
      {"VMS owner with a blank", "NOTES.TXT;1  4/6  1-FEB-2010 08:00:00  [GRP, USER]  (RWED,,,)",
       "NOTES.TXT;1", false, false, 2048, Utc(2010, 2, 1, 8, 0)},
      // MVS data sets (a PDS is a folder) and PDS members
      {"MVS",
       std::string(kMvsHeader) + "WYOSPT 3390   2003/03/18  1   15  FB      80  3120  PS  "
                                 "USER.DATA",
       "USER.DATA", false, false, 0, Utc(2003, 3, 18)},
      {"MVS",
       std::string(kMvsHeader) + "WYOSPT 3390   2003/03/18  1   15  FB      80 27920  PO  "
                                 "USER.SOURCE",
       "USER.SOURCE", true, false, 0, Utc(2003, 3, 18)},
      {"MVS", std::string(kMvsHeader) + "Migrated                              USER.OLD.DATA",
       "USER.OLD.DATA", false, false, 0, 0},
      {"MVS", std::string(kMvsHeader) + "Pseudo Directory                      USER.SUB",
       "USER.SUB", true, false, 0, 0},
      {"MVS old", "TSO002 3380D  07/16/97  1    1  FB      80  8800  PS  ETC.HOSTS", "ETC.HOSTS",
       false, false, 0, Utc(1997, 7, 16)},
      // each form also alone, without the header
      {"MVS no unit", "CPDLB3 2000/08/23  1    1  VB     255  3120  PS  LOG.MISC", "LOG.MISC",
       false, false, 0, Utc(2000, 8, 23)},
      {"MVS VSAM", "                                                  VSAM USER.KSDS", "USER.KSDS",
       false, false, 0, 0},
      {"MVS VSAM", "SMS007 3390                                       VSAM USER.KSDS.DATA",
       "USER.KSDS.DATA", false, false, 0, 0},
      {"MVS never referred",
       "SMS123 3390   **NONE**    1   45  ?        0     0 NONE USER.G0120V00", "USER.G0120V00",
       false, false, 0, 0},
      {"MVS unknown columns", "SMS152 3390   2017/06/06  1    3  ?           ?     ?  VS  USER.IX",
       "USER.IX", false, false, 0, Utc(2017, 6, 6)},
      {"MVS columns too wide", "SMS152 3390   2017/06/06  1+++++  FB      80 27920  PS  USER.HUGE",
       "USER.HUGE", false, false, 0, Utc(2017, 6, 6)},
      {"MVS tape", "T00001 Tape                                             USER.TAPE.BACKUP",
       "USER.TAPE.BACKUP", false, false, 0, 0},
      {"MVS archived", "ARCIVE Not Direct Access Device                         USER.ARCHIVED",
       "USER.ARCHIVED", false, false, 0, 0},
      {"MVS migrated", "Migrated                                                USER.OLD",
       "USER.OLD", false, false, 0, 0},
      {"MVS generations", "                                                  GDG  USER.GDG",
       "USER.GDG", true, false, 0, 0},
      {"MVS pseudo directory", "Pseudo Directory                                  USER.SUB",
       "USER.SUB", true, false, 0, 0},
      {"MVS members",
       std::string(kPdsHeader) +
           "MEMBER1   01.03 2002/09/12 2002/10/11 09:37    11    11     0 USER1",
       "MEMBER1", false, false, 0, Utc(2002, 10, 11, 9, 37)},
      {"MVS members", std::string(kPdsHeader) + "NOSTATS", "NOSTATS", false, false, 0, 0},
      {"MVS load members",
       " Name      Size     TTR   Alias-of AC --------- Attributes --------- Amode Rmode\r\n"
       "IEFBR14   000008   00000F           00 FO             RN RU            31    ANY",
       "IEFBR14", false, false, 8, 0},
      {"MVS load members", "ALIAS1    000010   00001A IEFBR14   00 FO             RN RU   31 ANY",
       "ALIAS1", false, false, 16, 0},
      // IBM i (AS/400), LISTFMT 0
      {"AS/400", "QPGMR       5263360 06/11/97 12:27:39 *FILE      SAVEFILE1", "SAVEFILE1", false,
       false, 5263360, Utc(1997, 6, 11, 12, 27, 39)},
      {"AS/400", "QSYS            8192 05/03/04 14:26:48 *DIR       QOPT/", "QOPT", true, false, 0,
       Utc(2004, 5, 3, 14, 26, 48)},
      // a *FILE is a file with its size, whatever its name ends with
      {"AS/400", "QPGMR          36864 18.09.06 14:21:26 *FILE      SOURCE.FILE", "SOURCE.FILE",
       false, false, 36864, Utc(2006, 9, 18, 14, 21, 26)},
      {"AS/400",
       "QPGMR          36864 18.09.06 14:21:26 *FILE      SOURCE.FILE\r\n"
       "QPGMR                                   *MEM       SOURCE.FILE/MBR1.MBR",
       "SOURCE.FILE/MBR1.MBR", false, false, 0, 0},
      {"AS/400", "JOHN          102400 01/31/24 12:00:05 *STMF      my report.csv", "my report.csv",
       false, false, 102400, Utc(2024, 1, 31, 12, 0, 5)},
      // z/VM
      {"z/VM", "PROFILE  EXEC     A1 V         72         25          1 2003-04-14 13:26:36 TCM191",
       "PROFILE.EXEC", false, false, 0, Utc(2003, 4, 14, 13, 26, 36)},
      {"z/VM", "DATA     FILE     F         80        100          2 2003-04-14 13:26:36 TCM191",
       "DATA.FILE", false, false, 8000, Utc(2003, 4, 14, 13, 26, 36)},
      {"z/VM", "SUBDIR   DIR      -          -          -          - 2003-04-14 13:26:36 -",
       "SUBDIR", true, false, 0, Utc(2003, 4, 14, 13, 26, 36)},
      {"z/VM", "README   ANONYMOU V         71         26          1  4/02/97 12:33:20 TCP291",
       "README.ANONYMOU", false, false, 0, Utc(1997, 4, 2, 12, 33, 20)},
      // HP NonStop (Guardian)
      {"NonStop",
       "File         Code             EOF  Last Modification    Owner  RWEP\r\n"
       "TACLCSTM      101             924  18-Jan-01 16:56:48 255, 60 \"nunu\"",
       "TACLCSTM", false, false, 924, Utc(2001, 1, 18, 16, 56, 48)},
      {"NonStop", "ZZARCH        0            147456  03-Sep-03 12:01:02 200,1 \"oooo\"", "ZZARCH",
       false, false, 147456, Utc(2003, 9, 3, 12, 1, 2)},
      {"NonStop quoted owner",
       "ZZSTATS       101            4096  03-Sep-03 12:01:02 \"SUPER.SUPER\" \"NUNU\"", "ZZSTATS",
       false, false, 4096, Utc(2003, 9, 3, 12, 1, 2)},
      // OS-9: hexadecimal sizes
      {"OS-9",
       " Owner    Last modified  Attributes Sector Bytecount Name\r\n"
       "   0.0    03/12/31 1543  d-ewrewr      2a      1060 CMDS",
       "CMDS", true, false, 0, Utc(2003, 12, 31, 15, 43)},
      {"OS-9", "   1.2    04/01/05 0910  ----r-wr     1b6      3c00 startup", "startup", false,
       false, 0x3c00, Utc(2004, 1, 5, 9, 10)},
      // Nortel (WfFtp)
      {"Nortel", "bn.exe                5962240  03/15/99   Mon.   10:11:23", "bn.exe", false,
       false, 5962240, Utc(1999, 3, 15, 10, 11, 23)},
      {"Nortel", "config              1836  12/31/2003  23:59:59", "config", false, false, 1836,
       Utc(2003, 12, 31, 23, 59, 59)},
      {"Nortel VxWorks",
       "  size          date       time       name\r\n"
       "--------       ------     ------    --------\r\n"
       "     45056    SEP-12-2001  11:08:44   vxWorks",
       "vxWorks", false, false, 45056, Utc(2001, 9, 12, 11, 8, 44)},
      {"Nortel VxWorks", "       512    MAR-04-2005  10:16:40   TEMP DIR            <DIR>",
       "TEMP DIR", true, false, 0, Utc(2005, 3, 4, 10, 16, 40)},
      // Lines no family may read: the name would be a guess
      {"none", "total 12", nullptr, false, false, 0, 0},
      {"none", "-rw-r--r-- 1 u g 5 Xyz 01 10:00 unknown month", nullptr, false, false, 0, 0},
      {"none", "-rw-r--r-- 1 u g 5 Jan 41 10:00 no such day", nullptr, false, false, 0, 0},
      {"none", "crw-rw-rw- 1 root root 1, 3 Jan 01 10:00 null", nullptr, false, false, 0, 0},
      // a day-first date in the owner columns and one after the size: either could be it
      {"none", "-rw-r--r-- 1 12 jan 2020 Feb 01 10:00 two dates", nullptr, false, false, 0, 0},
      {"none", "<html><body>Index of /</body></html>", nullptr, false, false, 0, 0},
      {"none", "226 Transfer complete.", nullptr, false, false, 0, 0},
      {"none", "Total of 3 files, 70/80 blocks.", nullptr, false, false, 0, 0},
  };
  for (const Case& c : table) {
    const bool mlsd = std::string(c.family) == "MLSD";
    const std::vector<ListingEntry> entries = ParseListing(c.listing, mlsd, kNow);
    if (c.name == nullptr) {
      EXPECT_TRUE(entries.empty())
          << c.family << ": " << c.listing << " -> " << entries.front().name;
      continue;
    }
    ASSERT_FALSE(entries.empty()) << c.family << ": " << c.listing;
    const ListingEntry& e = entries.back();
    EXPECT_EQ(e.name, c.name) << c.family << ": " << c.listing;
    EXPECT_EQ(e.folder, c.folder) << c.family << ": " << c.listing;
    EXPECT_EQ(e.link, c.link) << c.family << ": " << c.listing;
    EXPECT_EQ(e.size, c.size) << c.family << ": " << c.listing;
    if (c.modified != kAnyTime) {
      EXPECT_EQ(e.modified, c.modified) << c.family << ": " << c.listing;
    }
  }
}

std::vector<std::string> Names(const std::vector<ListingEntry>& entries) {
  std::vector<std::string> names;
  for (const ListingEntry& e : entries) names.push_back(e.name);
  return names;
}

TEST(FtpListingWhole, TheFirstSureLineDecidesTheFamilyForTheRest) {
  // "total" decides nothing; the Unix line does; the DOS and VMS lines later are not Unix.
  const std::string unix =
      "total 12\r\n"
      "-rw-r--r-- 1 u g 5 Jan 10 10:00 first\r\n"
      "01-15-24  10:30AM  123 dos line\r\n"
      "OTHER.TXT;1  1/1  5-JAN-2004 09:00:00\r\n"
      "drwxr-xr-x 2 u g 0 Jan 10 10:00 second\r\n";
  EXPECT_EQ(Names(ParseListing(unix, false, kNow)), (std::vector<std::string>{"first", "second"}));
  const std::string dos =
      "01-15-24  10:30AM  123 first\r\n"
      "-rw-r--r-- 1 u g 5 Jan 10 10:00 unix line\r\n"
      "01-16-24  10:30AM  <DIR> second\r\n";
  EXPECT_EQ(Names(ParseListing(dos, false, kNow)), (std::vector<std::string>{"first", "second"}));
}

TEST(FtpListingWhole, VmsEntriesOverTwoLinesWhereverThePiecesEnd) {
  const std::string vms =
      "Directory DISK$USER:[JOHN]\r\n"
      "\r\n"
      "A_VERY_LONG_FILE_NAME.TEXT;12\r\n"
      "                    64   4-MAR-2019 00:04 [USR,GRP] (RWED,RWED,RWED,R)\r\n"
      "SHORT.TXT;1          1/3  5-JAN-2004 09:00:00 [USR,GRP] (RWED,RWED,RWED,R)\r\n"
      "ANOTHER_LONG_NAME_WITHOUT_DETAILS.DAT;2\r\n"
      "LAST_LONG_FOLDER_NAME.DIR;1\r\n"
      "\r\n"
      "Total of 4 files, 66/70 blocks.\r\n"
      "TAIL_NAME_AT_THE_END.LOG;7";
  const std::vector<std::string> expected = {"A_VERY_LONG_FILE_NAME.TEXT;12", "SHORT.TXT;1",
                                             "ANOTHER_LONG_NAME_WITHOUT_DETAILS.DAT;2",
                                             "LAST_LONG_FOLDER_NAME", "TAIL_NAME_AT_THE_END.LOG;7"};
  const std::vector<ListingEntry> whole = ParseListing(vms, false, kNow);
  EXPECT_EQ(Names(whole), expected);
  ASSERT_EQ(whole.size(), expected.size());
  EXPECT_EQ(whole[0].size, 64u * 512);
  EXPECT_TRUE(whole[3].folder);
  // The streaming reader fed one byte at a time delivers the same, the last name at End.
  for (size_t piece : {size_t{1}, size_t{7}}) {
    ListingLineReader lines;
    ListingParser parser(false, kNow);
    std::vector<std::string> names;
    auto keep = [&](const ListingEntry& e) { names.push_back(e.name); };
    auto take = [&](std::string_view line) { parser.Line(line, keep); };
    for (size_t at = 0; at < vms.size(); at += piece) {
      lines.Feed(vms.data() + at, std::min(piece, vms.size() - at), take);
    }
    lines.Finish(take);
    EXPECT_EQ(names.size(), expected.size() - 1) << "before End, piece " << piece;
    parser.End(keep);
    EXPECT_EQ(names, expected) << "piece " << piece;
  }
}

TEST(FtpListingWhole, GarbageAndAmbiguousLinesYieldNothingWrong) {
  // An HTML error page, reply lines, half lines, and lines two families could read.
  const std::string garbage =
      "<html>\r\n<head><title>404</title></head>\r\n"
      "150 Here comes the directory listing.\r\n"
      "-rw-r--r-- 1 u g 5x Jan 01 10:00 bad size\r\n"
      "-rw-r--r-- 1 u g 99999999999999999999999 Jan 01 2020 overflow\r\n"
      "\x01\x02\x03\xff\xfe\r\n"
      "drwxr-xr-x\r\n"
      "type=file;size=1; looks like mlsd in a LIST\r\n"
      "+\r\n"
      "Directory\r\n"
      "01-15-24\r\n";
  EXPECT_TRUE(ParseListing(garbage, false, kNow).empty());
  // The same garbage around one sure line: that line only, then nothing of another family.
  const std::string mixed = garbage + "-rw-r--r-- 1 u g 5 Jan 10 10:00 the one\r\n" + garbage +
                            "01-15-24  10:30AM  123 not unix\r\n";
  EXPECT_EQ(Names(ParseListing(mixed, false, kNow)), (std::vector<std::string>{"the one"}));
}

TEST(FtpListingWhole, UndecidedLinesAreReadSurelyOrCounted) {
  // OS/2 reads the first line as the file "*FILE report", IBM i as the object "report".
  const std::string twoNames = "      1234        12-18-01   19:18  *FILE report\r\n";
  const std::string tooLong = std::string(kMostEntryName + 1, 'n');
  struct WholeCase {
    std::string listing;
    std::vector<std::string> names;
    size_t unread;
  };
  const std::vector<WholeCase> table = {
      // a line too plain to decide on is held, and read once a later line decides
      {"VSAM USER.KSDS\r\nWYOSPT 3390 2003/03/18 1 15 FB 80 3120 PS USER.DATA",
       {"USER.KSDS", "USER.DATA"},
       0},
      // two families, two names: left out and counted, unless a later line decides
      {twoNames, {}, 1},
      {twoNames + "QPGMR   5263360 06/11/97 12:27:39 *FILE  BPTFSAVF", {"report", "BPTFSAVF"}, 0},
      {twoNames + "      3057      A   12-18-01   19:18  CONFIG.SYS",
       {"*FILE report", "CONFIG.SYS"},
       0},
      // a Unix line it cannot read and a DOS line in a Unix listing are counted; the total,
      // blank lines and the server's "." are not
      {"total 3\r\n-rw-r--r-- 1 u g 5 Xyz 01 10:00 bad month\r\n\r\n"
       "drwxr-xr-x 2 u g 0 Jan 10 10:00 .\r\n"
       "-rw-r--r-- 1 u g 5 Jan 10 10:00 good\r\n01-15-24  10:30AM  123 dos line\r\n",
       {"good"},
       2},
      // names no find record holds, and lines too long to take
      {"-rw-r--r-- 1 u g 5 Jan 10 10:00 " + tooLong + "\r\n" + std::string(9000, 'x') +
           "\r\n-rw-r--r-- 1 u g 5 Jan 10 10:00 short",
       {"short"},
       2},
  };
  for (const WholeCase& c : table) {
    size_t unread = 99;
    EXPECT_EQ(Names(ParseListing(c.listing, false, kNow, &unread)), c.names) << c.listing;
    EXPECT_EQ(unread, c.unread) << c.listing;
  }
  // A listing that never decides is read in batches, not held whole: every line still comes.
  std::string clusters;
  for (int i = 0; i < 600; ++i) clusters += "VSAM USER.C" + std::to_string(i) + "\r\n";
  const std::vector<ListingEntry> read = ParseListing(clusters, false, kNow);
  ASSERT_EQ(read.size(), 600u);
  EXPECT_EQ(read[599].name, "USER.C599");
}

TEST(FtpListingWhole, TheServersDotDotReachesTheStreamOnceAndNeverTheList) {
  // ".." names the parent in a LIST line whatever its type letter says (a hostile server's).
  const std::string listing =
      "drwxr-xr-x 2 u g 0 Jan 10 10:00 .\r\n"
      "-rw-r--r-- 1 u g 0 Jan 10 10:00 ..\r\n"
      "-rw-r--r-- 1 u g 5 Jan 10 10:00 file\r\n"
      "drwxr-xr-x 2 u g 0 Jan 10 10:00 ..\r\n";
  ListingParser parser(false, kNow);
  std::vector<std::string> streamed;
  ListingLineReader lines;
  auto take = [&](std::string_view line) {
    parser.Line(line,
                [&](const ListingEntry& e) { streamed.push_back(e.name + (e.folder ? "/" : "")); });
  };
  lines.Feed(listing.data(), listing.size(), take);
  lines.Finish(take);
  EXPECT_EQ(streamed, (std::vector<std::string>{"../", "file"}));
  EXPECT_EQ(Names(ParseListing(listing, false, kNow)), (std::vector<std::string>{"file"}));
  const std::string mlsd = "type=cdir; /pub\r\ntype=pdir; /\r\ntype=file;size=1; f\r\n";
  EXPECT_EQ(Names(ParseListing(mlsd, true, kNow)), (std::vector<std::string>{"f"}));
}

TEST(FtpListingWhole, DatesWithoutAYearLieWithinTheYearBeforeNow) {
  struct YearCase {
    int64_t now;
    const char* date;
    uint64_t modified;
  };
  const int64_t jan2025 = 1736942400;  // 2025-01-15 12:00:00 UTC
  const int64_t jun2025 = 1749988800;  // 2025-06-15 12:00:00 UTC
  const std::vector<YearCase> table = {
      {kNow, "Jun 16 10:00", Utc(2024, 6, 16, 10, 0)},  // less than a day ahead: this year
      {kNow, "Jun 17 10:00", Utc(2023, 6, 17, 10, 0)},  // more than a day ahead: last year
      {kNow, "Jan  1 00:00", Utc(2024, 1, 1)},
      {jan2025, "Dec 31 23:59", Utc(2024, 12, 31, 23, 59)},
      {jan2025, "Feb 29 10:00", Utc(2024, 2, 29, 10, 0)},  // only a leap year has it
      {kNow, "Feb 29 10:00", Utc(2024, 2, 29, 10, 0)},
      {jun2025, "Feb 29 10:00", Utc(2024, 2, 29, 10, 0)},  // not 1 March 2025
      {jun2025, "Jun 31 10:00", 0},                        // no such day: unknown
  };
  for (const YearCase& c : table) {
    const std::string line = std::string("-rw-r--r-- 1 u g 5 ") + c.date + " f";
    const std::vector<ListingEntry> entries = ParseListing(line, false, c.now);
    ASSERT_EQ(entries.size(), 1u) << line;
    EXPECT_EQ(entries[0].modified, c.modified) << c.date << " at " << c.now;
  }
}

}  // namespace
