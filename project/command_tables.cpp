#include "project/command_tables.h"

#include <algorithm>

// The parameter counts by kind; the editor's name of each kind beside it.
constinit const CMDINFO g_FlowCmdInfo[kFlowCmdKinds] = {
    {0},   //  0 (none)
    {0},   //  1 ウエイト
    {0},   //  2 直線移動 (movement record)
    {0},   //  3 地上折り返し移動
    {0},   //  4 円移動
    {0},   //  5 突撃移動
    {0},   //  6 誘導移動
    {0},   //  7 画面外回避移動
    {0},   //  8 移動の無効化
    {1},   //  9 向き変更
    {5},   // 10 ジャンプ
    {0},   // 11 ショット (shot record)
    {0},   // 12 ソード
    {0},   // 13 ブロック召喚
    {0},   // 14 キャラ召喚
    {0},   // 15 アイテム召喚
    {4},   // 16 フローの操作
    {9},   // 17 ステージクリア
    {1},   // 18 ゲームウエイト
    {19},  // 19 メッセージ
    {0},   // 20 ワープ (movement record)
    {16},  // 21 ターゲットの設定
    {22},  // 22 ステータスの操作
    {5},   // 23 ステータスの操作2
    {3},   // 24 消滅
    {2},   // 25 アイテムの取得
    {3},   // 26 グラフィックの変更
    {1},   // 27 基本アニメセットの変更
    {2},   // 28 アニメの実行
    {9},   // 29 エフェクトの実行
    {3},   // 30 キャラエフェクトの実行
    {3},   // 31 画面エフェクトの実行
    {16},  // 32 ピクチャーの表示
    {8},   // 33 画面の色を変更
    {2},   // 34 背景の変更
    {1},   // 35 効果音の再生
    {2},   // 36 BGMの再生
    {0},   // 37 コードの実行 (the command's text)
    {5},   // 38 アレンジ
    {2},   // 39 ループ
};

// From kind 2 on, item kind k is flow kind k + 15.
constinit const CMDINFO g_ItemCmdInfo[kItemCmdKinds] = {
    {0},   //  0 (none)
    {2},   //  1 フローの変更: operation, flow ID letter
    {9},   //  2 ステージクリア
    {1},   //  3 ゲームウエイト
    {19},  //  4 メッセージ
    {0},   //  5 ワープ
    {16},  //  6 ターゲットの設定
    {22},  //  7 ステータスの操作
    {5},   //  8 ステータスの操作2
    {3},   //  9 消滅
    {2},   // 10 アイテムの取得
    {3},   // 11 グラフィックの変更
    {1},   // 12 基本アニメセットの変更
    {2},   // 13 アニメの実行
    {9},   // 14 エフェクトの実行
    {3},   // 15 キャラエフェクトの実行
    {3},   // 16 画面エフェクトの実行
    {16},  // 17 ピクチャーの表示
    {8},   // 18 画面の色を変更
    {2},   // 19 背景の変更
    {1},   // 20 効果音の再生
    {2},   // 21 BGMの再生
    {0},   // 22 コードの実行
    {5},   // 23 アレンジ
    {2},   // 24 ループ
};

int CmdParamCount(int category, int kind) {
    if (category == kCmdCategoryFlow && kind >= 0 && kind < kFlowCmdKinds) return g_FlowCmdInfo[kind].nParamCount;
    if (category == kCmdCategoryItem && kind >= 0 && kind < kItemCmdKinds) return g_ItemCmdInfo[kind].nParamCount;
    return 0;
}

int32_t PARAMRANGE::Limit(int64_t value) const {
    return static_cast<int32_t>(std::clamp<int64_t>(value, sMin, sMax));
}

// Rows: minimum, maximum, default; the editor's label beside each.
constinit const PARAMRANGE g_ShotFormParams[kShotFormations * kShotKindParams] = {
    {0, 40, 0}, {}, {},                // 直進A: 間隔(hbl)
    {0, 40, 0}, {}, {},                // 直進B: 間隔(hbl)
    {0, 180, 30}, {}, {},              // 拡散: 角度
    {0, 40, 0}, {1, 50, 1}, {0, 40, 0},  // 落雷: 間隔(hbl), 列の数, 列の間隔(hbl)
    {}, {}, {},                        // 爆発
    {0, 40, 6}, {}, {},                // 包囲: 距離(hbl)
};

constinit const PARAMRANGE g_ShotMoveParams[kShotMoveKinds * kShotKindParams] = {
    {}, {}, {},                             // 直進
    {0, 40, 0}, {}, {},                     // 主人公を狙う: 軌道変更(hbl)
    {0, 40, 0}, {0, 7, 0}, {},              // 近いキャラを狙う: 軌道変更(hbl), 対象勢力
    {0, 40, 0}, {}, {},                     // ターゲットを狙う: 軌道変更(hbl)
    {0, 40, 0}, {0, 999, 999}, {},          // 主人公へ誘導: 誘導開始(hbl), 誘導終了(hbl)
    {0, 40, 0}, {0, 999, 999}, {0, 7, 0},   // 近いキャラへ誘導（対象死亡時、誘導を無効化）: + 対象勢力
    {0, 40, 0}, {0, 999, 999}, {},          // ターゲットへ誘導
    {0, 40, 0}, {0, 999, 999}, {0, 7, 0},   // 近いキャラへ誘導（対象死亡時、対象を変更）: + 対象勢力
    {0, 100, 4}, {0, 100, 4}, {0, 359, 0},  // ウェーブ: 波の最大(hbl), 波の速度, 開始角度
    {0, 40, 0}, {}, {},                     // 落下: 軌道変更(hbl)
};

namespace {

constexpr PARAMRANGE kEmptyRange{};

const PARAMRANGE& KindParam(const PARAMRANGE* table, int kinds, int kind, int param) {
    if (kind < 0 || kind >= kinds || param < 1 || param > kShotKindParams) return kEmptyRange;
    return table[kind * kShotKindParams + param - 1];
}

// Command kinds that keep their formation in the shot record, and the slot
// of the arrange command that reaches their first formation parameter.
struct FormSlots {
    int flowKind;
    int firstSlot;
};
constexpr FormSlots kFormSlots[] = {
    {11, 2},  // ショット
    {13, 1},  // ブロック召喚
    {14, 3},  // キャラ召喚
    {15, 2},  // アイテム召喚
};
constexpr int kShotKind = 11;
constexpr int kShotFirstMoveSlot = 16;

}  // namespace

const PARAMRANGE& ShotFormParam(int formation, int param) {
    return KindParam(g_ShotFormParams, kShotFormations, formation, param);
}

const PARAMRANGE& ShotMoveParam(int moveKind, int param) {
    return KindParam(g_ShotMoveParams, kShotMoveKinds, moveKind, param);
}

const PARAMRANGE* ArrangeShotRange(int flowKind, int slot, int formation, int moveKind) {
    for (const FormSlots& f : kFormSlots)
        if (f.flowKind == flowKind && slot >= f.firstSlot && slot < f.firstSlot + kShotKindParams)
            return &ShotFormParam(formation, slot - f.firstSlot + 1);
    if (flowKind == kShotKind && slot >= kShotFirstMoveSlot && slot < kShotFirstMoveSlot + kShotKindParams)
        return &ShotMoveParam(moveKind, slot - kShotFirstMoveSlot + 1);
    return nullptr;
}
