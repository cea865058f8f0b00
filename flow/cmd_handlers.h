// The handlers of the flow and item commands, by kind. Flow commands 2 to
// 16 work on their running instance; the system commands 17 to 38 work on
// the command itself and are shared with the item commands.
#pragma once

class cChara;
class cCmdRun;
class cFlowCmd;

// Movement (kinds 2 to 10).
int CmdStraightMove(cChara& chara, cCmdRun& run);
int CmdGroundTurnMove(cChara& chara, cCmdRun& run);
int CmdCircleMove(cChara& chara, cCmdRun& run);
int CmdChargeMove(cChara& chara, cCmdRun& run);
int CmdHomingMove(cChara& chara, cCmdRun& run);
int CmdAvoidScreenOutMove(cChara& chara, cCmdRun& run);
int CmdDisableMove(cChara& chara, cCmdRun& run);
int CmdChangeDirection(cChara& chara, cCmdRun& run);
int CmdJump(cChara& chara, cCmdRun& run);

// Shots, swords and summons (kinds 11 to 15).
int CmdShot(cChara& chara, cCmdRun& run);
int CmdSword(cChara& chara, cCmdRun& run);
int CmdSummonBlock(cChara& chara, cCmdRun& run);
int CmdSummonChara(cChara& chara, cCmdRun& run);
int CmdSummonItem(cChara& chara, cCmdRun& run);

// Flow operation (kind 16).
int CmdFlowOperation(cChara& chara, cCmdRun& run);

// System commands (kinds 17 to 38).
int CmdStageClear(cChara& chara, cFlowCmd& cmd);
int CmdGameWait(cChara& chara, cFlowCmd& cmd);
int CmdMessage(cChara& chara, cFlowCmd& cmd, int chained);
// `statusFlag` is 1 when a status operation runs the warp, else 0.
int CmdWarp(cChara& chara, cFlowCmd& cmd, int statusFlag);
int CmdSetTarget(cChara& chara, cFlowCmd& cmd);
int CmdStatusOperation(cChara& chara, cFlowCmd& cmd);
int CmdStatusOperation2(cChara& chara, cFlowCmd& cmd);
int CmdVanish(cChara& chara, cFlowCmd& cmd);
int CmdGetItem(cChara& chara, cFlowCmd& cmd);
int CmdChangeGraphic(cChara& chara, cFlowCmd& cmd);
int CmdChangeBasicAnimeSet(cChara& chara, cFlowCmd& cmd);
int CmdRunAnime(cChara& chara, cFlowCmd& cmd);
int CmdRunEffect(cChara& chara, cFlowCmd& cmd);
int CmdRunCharaEffect(cChara& chara, cFlowCmd& cmd);
int CmdRunScreenEffect(cChara& chara, cFlowCmd& cmd);
int CmdShowPicture(cChara& chara, cFlowCmd& cmd);
int CmdChangeScreenColor(cChara& chara, cFlowCmd& cmd);
int CmdChangeBackground(cChara& chara, cFlowCmd& cmd);
int CmdPlaySound(cFlowCmd& cmd, cChara& chara);
int CmdPlayBgm(cFlowCmd& cmd);
int CmdRunCode(cChara& chara, cFlowCmd& cmd);
int CmdArrange(cChara& chara, cFlowCmd& cmd);

// Says once per kind in the report log that a command of that kind does
// nothing in this version.
void ReportUnbuiltCmd(int flowKind);
