#pragma once
// Numbers of the program's windows, controls, menus, icons, strings and
// timers. Each control also carries its number as its objectName, so code
// and tests find it by number (see ControlId.h).

namespace res {

// Icons and pictures.
constexpr int IDI_APP = 128;            // window and tray icon
constexpr int IDB_BANNER = 158;         // banner in the main window, 142 x 20
constexpr int IDB_SEND_LIT = 145;       // send indicator after a transmission, 20 x 20
constexpr int IDB_SEND_DARK = 146;      // send indicator at rest, 20 x 20
constexpr int IDB_ALARM = 139;          // alarm popup background, 170 x 120

// Dialogs.
constexpr int IDD_CLIENTINFO = 100;     // "표준시 정보" help text
constexpr int IDD_MAIN = 102;           // main window "Vesk3"
constexpr int IDD_RS232C = 104;         // serial page "시각전송"
constexpr int IDD_INFO = 130;           // page "동기 정보"
constexpr int IDD_ENV = 131;            // page "환경설정"
constexpr int IDD_ALARM = 141;          // page "알람설정"
constexpr int IDD_SCHEDULE = 133;       // schedule manager "일정관리"
constexpr int IDD_WORLDTIME = 178;      // world time dialog "세계시각"

// Strings.
constexpr int IDS_ABOUTBOX = 101;       // "Client 정보(&A)..."
constexpr int IDS_SOCKETS_INIT_FAILED = 103;

// Tray popup menu and its commands.
constexpr int IDR_TRAY_MENU = 106;
constexpr int ID_APP_EXIT = 32771;      // "종료"
constexpr int ID_HELP_INFO = 32772;     // "도움말"
constexpr int ID_COMPARE = 32773;       // "표준시 비교"
constexpr int ID_SYNC = 32774;          // "표준시 동기"
constexpr int ID_SETTINGS = 32775;      // "환경설정"
constexpr int ID_WORLD_TIME = 32776;    // "세계시각"
constexpr int ID_CLOSE_CLOCK = 32777;   // "닫기"
constexpr int ID_HIDE_ALL = 32778;      // "모두감추기"
constexpr int ID_SCHEDULE = 32779;      // "일정관리"
constexpr int ID_SCHEDULE_VIEW = 32780; // "일정보기"

// Main window (IDD_MAIN).
namespace main {
constexpr int IDC_WORLD = 9;            // "세계시"
constexpr int IDC_SETUP = 306;          // "설정"
constexpr int IDC_HELP = 11;            // "도움말"
constexpr int IDC_HIDE = 1;             // "감추기" (the dialog's OK)
constexpr int IDC_COMPARE = 300;        // "비교"
constexpr int IDC_SYNC = 301;           // "동기"
constexpr int IDC_CLOCK = 1012;         // digital clock, in the grey frame's place
constexpr int IDC_MESSAGE = 304;        // message field
constexpr int IDC_BANNER = 1000;        // banner icon
constexpr int IDM_ABOUTBOX = 16;        // system-menu item
} // namespace main

// Program information (IDD_CLIENTINFO).
namespace clientinfo {
constexpr int IDC_OK = 1;
constexpr int IDC_TEXT = 1014;
} // namespace clientinfo

// Synchronisation information page (IDD_INFO).
namespace info {
constexpr int IDC_LAST_TIME = 1003;
constexpr int IDC_LAST_DIFF = 1004;
constexpr int IDC_SERVER = 1006;
constexpr int IDC_HOMEPAGE = 1013;
} // namespace info

// Environment page (IDD_ENV).
namespace env {
constexpr int IDC_BEEP = 1001;
constexpr int IDC_BLINK = 1010;
constexpr int IDC_AUTO_COMPARE = 1011;
constexpr int IDC_SCR = 1007;
constexpr int IDC_LOG = 1012;
constexpr int IDC_TOP = 1013;
constexpr int IDC_SMALL = 1014;
constexpr int IDC_24MODE = 1046;
constexpr int IDC_TRANSWIN = 1050;
constexpr int IDC_BGCOLOR = 1008;       // swatch 1: clock background
constexpr int IDC_TXTCOLOR = 1009;      // swatch 2: clock text
constexpr int IDC_BGCOLOR2 = 1017;      // swatch 3: message background
constexpr int IDC_TXTCOLOR2 = 1018;     // swatch 4: message text
constexpr int IDC_AUTOCON = 1002;
constexpr int IDC_EVERY = 1005;         // "매"
constexpr int IDC_DURATION = 1004;      // minutes, 1..144000
constexpr int IDC_MINUTES = 1006;       // "분마다 동기"
constexpr int IDC_DEFAULTS = 1015;      // "초기값"
constexpr int IDC_AUTOSTART = 1051;     // "로그인할 때 시작"
} // namespace env

// World time dialog (IDD_WORLDTIME).
namespace worldtime {
constexpr int IDC_TREE = 1015;          // region tree
constexpr int IDC_VIEW = 1016;          // clock of the selected region
constexpr int IDC_FIND = 1017;          // "찾기"
constexpr int IDC_FIND_TEXT = 1018;     // search text
constexpr int IDC_CLOSE = 1019;         // "닫기"
constexpr int IDC_INFO = 1020;          // description of the selected region
constexpr int IDC_SHOW_CLOCK = 1021;    // "시계창보이기"
} // namespace worldtime

// Serial time transmission page (IDD_RS232C).
namespace rs232c {
constexpr int IDC_AUTO_MODE = 1077;     // "자동  모드"
constexpr int IDC_MANUAL_MODE = 1088;   // "수동 모드"
constexpr int IDC_EVERY = 1080;         // "매"
constexpr int IDC_DURATION = 1079;      // N, 1 or more
constexpr int IDC_UNIT = 1087;          // "초" (0) or "분" (1)
constexpr int IDC_SEND_EVERY = 1081;    // "마다 전송"
constexpr int IDC_HOUR = 1084;
constexpr int IDC_MINUTE = 1085;
constexpr int IDC_SECOND = 1086;
constexpr int IDC_HOUR_LABEL = 1090;    // "시"
constexpr int IDC_MINUTE_LABEL = 1091;  // "분"
constexpr int IDC_SECOND_LABEL = 1092;  // "초"
constexpr int IDC_SEND = 1078;          // "전송"
constexpr int IDC_COM1 = 1089;
constexpr int IDC_COM2 = 1093;
constexpr int IDC_COM3 = 1094;
constexpr int IDC_COM4 = 1095;
constexpr int IDC_COMPENSATE = 1096;    // ms, 10..990
constexpr int IDC_INDICATOR = 1101;     // send indicator
} // namespace rs232c
// Schedule manager (IDD_SCHEDULE).
namespace schedule {
constexpr int IDC_CALENDAR = 1042;
constexpr int IDC_TITLE = 1040;         // "%d년 %2d월 %2d일 일정표"
constexpr int IDC_LIST = 1036;          // the date's entries, 13 columns
constexpr int IDC_HOUR = 1029;          // "00시" .. "23시"
constexpr int IDC_MINUTE = 1030;        // "00분" .. "59분"
constexpr int IDC_MEMO = 1034;
constexpr int IDC_ONCE = 1057;          // "당일"
constexpr int IDC_DAILY = 1058;         // "매일"
constexpr int IDC_WEEKLY = 1059;        // "매주"
constexpr int IDC_MONTHLY = 1060;       // "매달"
// Lead switches in lead order: "정각", "1분전", "5분전", "10분전",
// "15분전", "30분전", "45분전", "1시간전".
constexpr int IDC_LEADS[8] = {1061, 1062, 1063, 1064, 1068, 1065, 1066, 1067};
constexpr int IDC_ADD = 1031;           // "추가"
constexpr int IDC_CHANGE = 1043;        // "변경"
constexpr int IDC_DELETE = 1037;        // "삭제"
constexpr int IDC_DELETE_ALL = 1071;    // "일정표삭제"
constexpr int IDC_CLOSE = 1038;         // "닫기"
} // namespace schedule

// Alarm settings page (IDD_ALARM).
namespace alarmpage {
constexpr int IDC_ALARM = 1082;         // "알람 기능"
constexpr int IDC_EMILE = 1051;         // "에밀레"
constexpr int IDC_USER_SOUND = 1052;    // "사용자정의"
constexpr int IDC_WAVE_FILE = 1055;
constexpr int IDC_CHOOSE_SOUND = 1056;  // "소리선택"
constexpr int IDC_SCHEDULE = 1053;      // "일정관리"
constexpr int IDC_SCHEDULE_VIEW = 1054; // "일정보기"
} // namespace alarmpage

// Alarm popup.
namespace alarmpopup {
constexpr int IDC_FRAME = 0xFFFF;       // the picture child showing "frame.bmp"
constexpr int TIMER_SLIDE_IN = 100;     // one pixel up a step
constexpr int TIMER_SLIDE_OUT = 101;    // one pixel down a step
constexpr int TIMER_SHOWN = 102;        // the time fully out
} // namespace alarmpopup

// Timers.
constexpr int TIMER_CLOCK = 1;          // 50 ms redraw of each clock
constexpr int TIMER_AUTOSYNC = 16;
constexpr int TIMER_BLINK = 19;
constexpr int TIMER_TRANSMIT = 4112;

} // namespace res
