// Stand-ins while the command handlers are built: each does nothing but
// say so once in the report log.
#include <bitset>
#include <cstdint>

#include "core/report_log.h"
#include "flow/cmd_handlers.h"

void ReportUnbuiltCmd(int flowKind) {
    static std::bitset<256> said;
    const auto key = static_cast<uint8_t>(flowKind);
    if (said[key]) return;
    said[key] = true;
    WriteReport("flow command of kind %d does nothing in this version", flowKind);
}

// Shots, swords and summons (kinds 11 to 15).
int CmdShot(cChara&, cCmdRun&) { ReportUnbuiltCmd(11); return 0; }
int CmdSword(cChara&, cCmdRun&) { ReportUnbuiltCmd(12); return 0; }
int CmdSummonBlock(cChara&, cCmdRun&) { ReportUnbuiltCmd(13); return 0; }
int CmdSummonChara(cChara&, cCmdRun&) { ReportUnbuiltCmd(14); return 0; }
int CmdSummonItem(cChara&, cCmdRun&) { ReportUnbuiltCmd(15); return 0; }

// System commands (kinds 20 to 38).
int CmdWarp(cChara&, cFlowCmd&, int) { ReportUnbuiltCmd(20); return 0; }
int CmdSetTarget(cChara&, cFlowCmd&) { ReportUnbuiltCmd(21); return 0; }
int CmdStatusOperation(cChara&, cFlowCmd&) { ReportUnbuiltCmd(22); return 0; }
int CmdStatusOperation2(cChara&, cFlowCmd&) { ReportUnbuiltCmd(23); return 0; }
int CmdVanish(cChara&, cFlowCmd&) { ReportUnbuiltCmd(24); return 0; }
int CmdChangeGraphic(cChara&, cFlowCmd&) { ReportUnbuiltCmd(26); return 0; }
int CmdChangeBasicAnimeSet(cChara&, cFlowCmd&) { ReportUnbuiltCmd(27); return 0; }
int CmdRunAnime(cChara&, cFlowCmd&) { ReportUnbuiltCmd(28); return 0; }
int CmdRunEffect(cChara&, cFlowCmd&) { ReportUnbuiltCmd(29); return 0; }
int CmdRunCharaEffect(cChara&, cFlowCmd&) { ReportUnbuiltCmd(30); return 0; }
int CmdRunScreenEffect(cChara&, cFlowCmd&) { ReportUnbuiltCmd(31); return 0; }
int CmdShowPicture(cChara&, cFlowCmd&) { ReportUnbuiltCmd(32); return 0; }
int CmdChangeScreenColor(cChara&, cFlowCmd&) { ReportUnbuiltCmd(33); return 0; }
int CmdChangeBackground(cChara&, cFlowCmd&) { ReportUnbuiltCmd(34); return 0; }
int CmdPlaySound(cFlowCmd&, cChara&) { ReportUnbuiltCmd(35); return 0; }
int CmdPlayBgm(cFlowCmd&) { ReportUnbuiltCmd(36); return 0; }
int CmdRunCode(cChara&, cFlowCmd&) { ReportUnbuiltCmd(37); return 0; }
int CmdArrange(cChara&, cFlowCmd&) { ReportUnbuiltCmd(38); return 0; }
