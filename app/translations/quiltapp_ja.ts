<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP">
<context>
    <name>AutoAlignmentWindow</name>
    <message>
        <source>Automatic Alignment</source>
        <translation>自動位置合わせ</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>戻る</translation>
    </message>
    <message>
        <source>Stitch</source>
        <translation>貼り合わせ</translation>
    </message>
    <message>
        <source>Set Base Image</source>
        <translation>基準画像に設定</translation>
    </message>
    <message>
        <source>Automatic Rearrangement</source>
        <translation>自動並べ替え</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Do you want to go back to Image Browser?</source>
        <translation>イメージブラウザに戻りますか?</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>There is no overlap between consecutive images?
 Do you want to re-order images automatically?</source>
        <translation>隣り合う画像に重なりがないようです。
画像を自動的に並べ替えますか?</translation>
    </message>
</context>
<context>
    <name>CAlignmentView</name>
    <message>
        <source>Drag a picture to move it. The arrow keys move the picture grabbed last by one pixel, with Shift by ten.</source>
        <translation>画像をドラッグして移動します。矢印キーで最後につかんだ画像を 1 ピクセルずつ、Shift キーを押しながらだと 10 ピクセルずつ移動します。</translation>
    </message>
</context>
<context>
    <name>CFeatureMatchingView</name>
    <message>
        <source>Double click to mark a point; drag a marked point to move it</source>
        <translation>ダブルクリックで特徴点を指定し、指定した点はドラッグで移動できます</translation>
    </message>
</context>
<context>
    <name>CImageBrowser</name>
    <message>
        <source>Thumbnails</source>
        <translation>サムネイル</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>詳細</translation>
    </message>
</context>
<context>
    <name>CImageViewer</name>
    <message>
        <source>Please set the trimming area inside the result.</source>
        <translation>トリミング範囲は結果画像の内側に設定してください。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
</context>
<context>
    <name>CMainApp</name>
    <message>
        <source>Are you sure you want to stitch images automatically?</source>
        <translation>画像を自動で貼り合わせますか?</translation>
    </message>
    <message>
        <source>Are you sure you want to align images by hand?</source>
        <translation>画像を手動で位置合わせしますか?</translation>
    </message>
    <message>
        <source>Are you sure you want to match feature points by hand?</source>
        <translation>特徴点を手動で対応付けますか?</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>The file %1 was not found.
If it is on a removable disk, please put the disk back, or take the file out of the list.</source>
        <translation>ファイル %1 が見つかりません。
リムーバブルディスク上のファイルであればディスクを挿し直すか、ファイルをリストから外してください。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>This step is not available in this build.</source>
        <translation>この版ではこの手順は使用できません。</translation>
    </message>
    <message>
        <source>Are you sure you want to exit %1?</source>
        <translation>%1 を終了しますか?</translation>
    </message>
</context>
<context>
    <name>COpenGLView</name>
    <message>
        <source>QuickTimeVR view</source>
        <translation>QuickTime VR ビュー</translation>
    </message>
    <message>
        <source>No Error</source>
        <translation>エラーはありません</translation>
    </message>
    <message>
        <source>wglCreateContest failed</source>
        <translation>OpenGL コンテキストを作成できません (wglCreateContest failed)</translation>
    </message>
    <message>
        <source>wglMakeCurrent failed</source>
        <translation>OpenGL コンテキストを使用できません (wglMakeCurrent failed)</translation>
    </message>
    <message>
        <source>ChoosePixelFormat failed</source>
        <translation>使用できるピクセル形式がありません (ChoosePixelFormat failed)</translation>
    </message>
    <message>
        <source>Error : Out of Memory</source>
        <translation>エラー: メモリが不足しています</translation>
    </message>
    <message>
        <source>Error : The panorama&apos;s field of view is out of range</source>
        <translation>エラー: パノラマの画角が範囲外です</translation>
    </message>
</context>
<context>
    <name>CSave</name>
    <message>
        <source>JPEG Files</source>
        <translation>JPEG ファイル</translation>
    </message>
    <message>
        <source>Windows Bitmap Files</source>
        <translation>Windows ビットマップ ファイル</translation>
    </message>
    <message>
        <source>TIFF Files</source>
        <translation>TIFF ファイル</translation>
    </message>
    <message>
        <source>QuickTimeVR Files</source>
        <translation>QuickTime VR ファイル</translation>
    </message>
    <message>
        <source>Vista Files</source>
        <translation>Vista ファイル</translation>
    </message>
    <message>
        <source>Are you sure that the image resolution will be low?
(We recommend TIFF 48 bits/Pixel.)</source>
        <translation>画像の階調が低くなりますがよろしいですか?
(TIFF 48 ビット/ピクセルでの保存をお勧めします。)</translation>
    </message>
    <message>
        <source>Cannot write %1: this file type is not offered.</source>
        <translation>%1 に書き込めません: このファイル形式には保存できません。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>File exists. Do you want to overwrite?</source>
        <translation>同じ名前のファイルがあります。上書きしますか?</translation>
    </message>
    <message>
        <source>QuickTime is not installed.</source>
        <translation>QuickTime がインストールされていません。</translation>
    </message>
    <message>
        <source>Cannot write %1: not enough memory.</source>
        <translation>%1 に書き込めません: メモリが不足しています。</translation>
    </message>
</context>
<context>
    <name>CorrectionWindow</name>
    <message>
        <source>Lens Distortion Correction</source>
        <translation>レンズ歪み補正</translation>
    </message>
    <message>
        <source>Shading Correction</source>
        <translation>周辺光量補正</translation>
    </message>
    <message>
        <source>Linear</source>
        <translation>1 次</translation>
    </message>
    <message>
        <source>Quadratic</source>
        <translation>2 次</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Apply All</source>
        <translation>すべてに適用</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>補正前</translation>
    </message>
    <message>
        <source>After</source>
        <translation>補正後</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <source>Correcting images...</source>
        <translation>画像を補正しています...</translation>
    </message>
</context>
<context>
    <name>FileListModel</name>
    <message>
        <source>File Name</source>
        <translation>ファイル名</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>サイズ</translation>
    </message>
    <message>
        <source>Last Modified</source>
        <translation>更新日時</translation>
    </message>
</context>
<context>
    <name>FolderPane</name>
    <message>
        <source>Home</source>
        <translation>ホーム</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>ピクチャ</translation>
    </message>
    <message>
        <source>File System</source>
        <translation>ファイルシステム</translation>
    </message>
    <message>
        <source>Open in File Manager</source>
        <translation>ファイルマネージャで開く</translation>
    </message>
    <message>
        <source>Copy Path</source>
        <translation>パスをコピー</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>更新</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <source>Quiltwork Help</source>
        <translation>Quiltwork ヘルプ</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>戻る</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>進む</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>目次</translation>
    </message>
    <message>
        <source>Quiltwork Help - %1</source>
        <translation>Quiltwork ヘルプ - %1</translation>
    </message>
</context>
<context>
    <name>ImageFileView</name>
    <message>
        <source>Image File View</source>
        <translation>画像ファイル ビュー</translation>
    </message>
    <message>
        <source>Display</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>Selected Image List</source>
        <translation>選択した画像の一覧</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>バージョン</translation>
    </message>
    <message>
        <source>Input Selected Images</source>
        <translation>選択した画像を取り込む</translation>
    </message>
    <message>
        <source>IN</source>
        <translation>取込</translation>
    </message>
    <message>
        <source>Input All</source>
        <translation>すべて取り込む</translation>
    </message>
    <message>
        <source>ALL IN</source>
        <translation>全取込</translation>
    </message>
    <message>
        <source>Delete Selected Images</source>
        <translation>選択した画像を外す</translation>
    </message>
    <message>
        <source>OUT</source>
        <translation>除外</translation>
    </message>
    <message>
        <source>Delete All</source>
        <translation>すべて外す</translation>
    </message>
    <message>
        <source>ALL OUT</source>
        <translation>全除外</translation>
    </message>
    <message>
        <source>Rotate All</source>
        <translation>すべて回転</translation>
    </message>
    <message>
        <source>ROT</source>
        <translation>回転</translation>
    </message>
    <message>
        <source>Shading Correction</source>
        <translation>周辺光量補正</translation>
    </message>
    <message>
        <source>Shade</source>
        <translation>周辺光量</translation>
    </message>
    <message>
        <source>Lens Distortion Correction</source>
        <translation>レンズ歪み補正</translation>
    </message>
    <message>
        <source>Lens</source>
        <translation>レンズ</translation>
    </message>
    <message>
        <source>Mask</source>
        <translation>マスク</translation>
    </message>
    <message>
        <source>Move Left</source>
        <translation>左へ移動</translation>
    </message>
    <message>
        <source>Move Right</source>
        <translation>右へ移動</translation>
    </message>
    <message>
        <source>Set Base Image</source>
        <translation>基準画像に設定</translation>
    </message>
    <message>
        <source>Automatic Alignment</source>
        <translation>自動位置合わせ</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自動</translation>
    </message>
    <message>
        <source>Manual Align (pairwise)</source>
        <translation>手動位置合わせ (2 枚ずつ)</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手動</translation>
    </message>
    <message>
        <source>Manual Matching (pairwise)</source>
        <translation>手動特徴点対応付け (2 枚ずつ)</translation>
    </message>
    <message>
        <source>Matching</source>
        <translation>対応付け</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>End</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Align and stitch:</source>
        <translation>位置合わせと貼り合わせ:</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <source>Preparing images...</source>
        <translation>画像を準備しています...</translation>
    </message>
</context>
<context>
    <name>ImageViewerWindow</name>
    <message>
        <source>Image Viewer - %1 %2 by %3</source>
        <translation>イメージビューア - %1 %2 × %3</translation>
    </message>
    <message>
        <source>Quiltwork</source>
        <translation>Quiltwork</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Image Viewer Error: Image Size is Wrong!</source>
        <translation>イメージビューア エラー: 画像サイズが正しくありません。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>No memory.</source>
        <translation>メモリが不足しています。</translation>
    </message>
    <message>
        <source>Cannot open the picture %1.</source>
        <translation>画像 %1 を開けません。</translation>
    </message>
</context>
<context>
    <name>InputImageList</name>
    <message>
        <source>Please re-input images.</source>
        <translation>画像を取り込み直してください。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Something wrong with the image size.</source>
        <translation>画像サイズに問題があります。</translation>
    </message>
    <message>
        <source>The image size is different. Do you want to trim automatically.</source>
        <translation>画像サイズが異なります。自動的にトリミングしますか?</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Image size is wrong. (%1 X %2 ?+10%)</source>
        <translation>画像サイズが正しくありません。(%1 × %2 から +10% 以内)</translation>
    </message>
    <message>
        <source>Invalid image format</source>
        <translation>画像の形式が正しくありません</translation>
    </message>
    <message>
        <source>Adding images...</source>
        <translation>画像を取り込んでいます...</translation>
    </message>
    <message>
        <source>Are you sure you want to input all of the images?</source>
        <translation>すべての画像を取り込みますか?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete %1?</source>
        <translation>%1 をリストから外しますか?</translation>
    </message>
    <message>
        <source>Are you sure you want to delete all of the images.</source>
        <translation>すべての画像をリストから外しますか?</translation>
    </message>
    <message>
        <source>Cannot move %1.</source>
        <translation>%1 は移動できません。</translation>
    </message>
    <message>
        <source>Are you sure you want to set the selected image as the base image?</source>
        <translation>選択した画像を基準画像に設定しますか?</translation>
    </message>
    <message>
        <source> %1 image,  %2 by %3</source>
        <translation>%1 枚、%2 × %3</translation>
    </message>
    <message>
        <source>%1 images,  %2 by %3</source>
        <translation>%1 枚、%2 × %3</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>進行状況</translation>
    </message>
    <message>
        <source>Correcting images... Image %1 out of %2.</source>
        <translation>画像を補正しています... %2 枚中 %1 枚目</translation>
    </message>
    <message>
        <source>No image is selected.</source>
        <translation>画像が選択されていません。</translation>
    </message>
    <message>
        <source>Canceled.</source>
        <translation>キャンセルされました。</translation>
    </message>
    <message>
        <source>Warning!</source>
        <translation>警告!</translation>
    </message>
    <message>
        <source>Preparing images... Image %1 out of %2.</source>
        <translation>画像を準備しています... %2 枚中 %1 枚目</translation>
    </message>
    <message>
        <source>Cannot read %1.</source>
        <translation>%1 を読み込めません。</translation>
    </message>
</context>
<context>
    <name>ManualAlignmentWindow</name>
    <message>
        <source>Manual Alignment</source>
        <translation>手動位置合わせ</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Previous Pair</source>
        <translation>前の組</translation>
    </message>
    <message>
        <source>Next Pair</source>
        <translation>次の組</translation>
    </message>
    <message>
        <source>Align the shown pair automatically</source>
        <translation>表示中の 2 枚を自動で位置合わせ</translation>
    </message>
    <message>
        <source>Align</source>
        <translation>位置合わせ</translation>
    </message>
    <message>
        <source>Stitch</source>
        <translation>貼り合わせ</translation>
    </message>
    <message>
        <source>Set Base Image</source>
        <translation>基準画像に設定</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Big</source>
        <translation>大</translation>
    </message>
    <message>
        <source>Small</source>
        <translation>小</translation>
    </message>
    <message>
        <source>ALL</source>
        <translation>全体</translation>
    </message>
    <message>
        <source>Pair %1 of %2:  %3  and  %4</source>
        <translation>%2 組中 %1 組目:  %3  と  %4</translation>
    </message>
    <message>
        <source>Images are remain.</source>
        <translation>まだ確認していない画像があります。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Do you want to go back to Image Browser?</source>
        <translation>イメージブラウザに戻りますか?</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Something wrong with m_ImageInfoList 1.</source>
        <translation>m_ImageInfoList に問題があります (1)。</translation>
    </message>
    <message>
        <source>Something wrong with m_ImageInfoList 2.</source>
        <translation>m_ImageInfoList に問題があります (2)。</translation>
    </message>
</context>
<context>
    <name>ManualMatchingWindow</name>
    <message>
        <source>The left picture around the selected point</source>
        <translation>選択した点の周辺 (左の画像)</translation>
    </message>
    <message>
        <source>The right picture around the selected point</source>
        <translation>選択した点の周辺 (右の画像)</translation>
    </message>
    <message>
        <source>Both pictures mixed around the selected point</source>
        <translation>選択した点の周辺 (2 枚を重ねた画像)</translation>
    </message>
    <message>
        <source>Previous Pair</source>
        <translation>前の組</translation>
    </message>
    <message>
        <source>Next Pair</source>
        <translation>次の組</translation>
    </message>
    <message>
        <source>Delete the selected correspondence</source>
        <translation>選択した対応点を削除</translation>
    </message>
    <message>
        <source>Del</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Stitch</source>
        <translation>貼り合わせ</translation>
    </message>
    <message>
        <source>Back to Image Browser</source>
        <translation>イメージブラウザに戻る</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Do you want to go back to Image Browser?</source>
        <translation>イメージブラウザに戻りますか?</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Feature Matching</source>
        <translation>特徴点の対応付け</translation>
    </message>
    <message>
        <source>(360 degree)</source>
        <translation>(360 度)</translation>
    </message>
    <message>
        <source>Error : No Image ?</source>
        <translation>エラー: 画像がありません。</translation>
    </message>
    <message>
        <source>Please select feature point to delete.</source>
        <translation>削除する特徴点を選択してください。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Images are remain.</source>
        <translation>まだ確認していない画像があります。</translation>
    </message>
    <message>
        <source>Please match features between the first and the last images.</source>
        <translation>最初の画像と最後の画像の特徴点を対応付けてください。</translation>
    </message>
    <message>
        <source>Are you sure you want to stitch 360-degree cylindrical panorama?</source>
        <translation>360 度の円筒パノラマとして貼り合わせますか?</translation>
    </message>
    <message>
        <source>You have specified less than 6 correspondence points. You won&apos;t be able to stitch the images if you don&apos;t specify more points. Press OK to close the window anyway.</source>
        <translation>指定された対応点が 6 組未満です。対応点を追加しないと画像を貼り合わせられません。このままウィンドウを閉じる場合は OK を押してください。</translation>
    </message>
</context>
<context>
    <name>MarginsDialog</name>
    <message>
        <source>Page Setup</source>
        <translation>ページ設定</translation>
    </message>
    <message>
        <source>Top:</source>
        <translation>上:</translation>
    </message>
    <message>
        <source>Left:</source>
        <translation>左:</translation>
    </message>
    <message>
        <source>Right:</source>
        <translation>右:</translation>
    </message>
    <message>
        <source>Bottom:</source>
        <translation>下:</translation>
    </message>
</context>
<context>
    <name>MaskWindow</name>
    <message>
        <source>Mask</source>
        <translation>マスク</translation>
    </message>
    <message>
        <source>Draw a circle over the area of the picture to use for the alignment: press and drag from its centre. Drag its outline to resize it, its inside to move it.</source>
        <translation>位置合わせに使う範囲を円で囲んでください。中心から外側へドラッグすると円を描けます。円周をドラッグすると大きさを、内側をドラッグすると位置を変えられます。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>PictureLayer</name>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 に書き込めません: %2</translation>
    </message>
    <message>
        <source>GIF Images must be 8 bit or less</source>
        <translation>GIF 画像は 8 ビット以下でなければなりません</translation>
    </message>
    <message>
        <source>Can&apos;t open GIF for writing</source>
        <translation>GIF ファイルを書き込み用に開けません</translation>
    </message>
    <message>
        <source>Write Error in GIF file</source>
        <translation>GIF ファイルの書き込みエラー</translation>
    </message>
    <message>
        <source>CImageImpl::imagePalette already exists!</source>
        <translation>CImageImpl::imagePalette は既に存在します。</translation>
    </message>
    <message>
        <source>can&apos;t open %1
</source>
        <translation>%1 を開けません
</translation>
    </message>
    <message>
        <source>can&apos;t open %1</source>
        <translation>%1 を開けません</translation>
    </message>
</context>
<context>
    <name>PictureStrip</name>
    <message>
        <source>Selected Image List</source>
        <translation>選択した画像の一覧</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Zoom in percent; type a value and leave the box to apply it</source>
        <translation>表示倍率 (%)。値を入力し、欄から移動すると反映されます</translation>
    </message>
    <message>
        <source>Zoom-In</source>
        <translation>拡大</translation>
    </message>
    <message>
        <source>Zoom-Out</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>Show Entire Image</source>
        <translation>画像全体を表示</translation>
    </message>
    <message>
        <source> mm</source>
        <translation> mm</translation>
    </message>
    <message>
        <source>The picture could not be printed on %1.</source>
        <translation>%1 で画像を印刷できませんでした。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>ResultWindow</name>
    <message>
        <source>Trimming</source>
        <translation>トリミング</translation>
    </message>
    <message>
        <source>Trim</source>
        <translation>トリミング</translation>
    </message>
    <message>
        <source>Cancel Trimming</source>
        <translation>トリミングを取り消す</translation>
    </message>
    <message>
        <source>X Trm</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>VR Viewer</source>
        <translation>VR ビューア</translation>
    </message>
    <message>
        <source>VR</source>
        <translation>VR</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>印刷</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>印刷...</translation>
    </message>
    <message>
        <source>Print Preview...</source>
        <translation>印刷プレビュー...</translation>
    </message>
    <message>
        <source>Page Setup...</source>
        <translation>ページ設定...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>VR Viewer (not available in this build)</source>
        <translation>VR ビューア (この版では使用できません)</translation>
    </message>
    <message>
        <source>Image Viewer Error: Image Size is Wrong!</source>
        <translation>イメージビューア エラー: 画像サイズが正しくありません。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Result - %1 by %2</source>
        <translation>貼り合わせ結果 - %1 × %2</translation>
    </message>
    <message>
        <source>Error : Not Image for saving</source>
        <translation>エラー: 保存する画像がありません</translation>
    </message>
    <message>
        <source>Are you sure you want to exit Image Viewer?</source>
        <translation>イメージビューアを終了しますか?</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
</context>
<context>
    <name>SeamAlignmentWindow</name>
    <message>
        <source>Manual Alignment</source>
        <translation>手動位置合わせ</translation>
    </message>
    <message>
        <source>(360 degree)</source>
        <translation>(360 度)</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Align the last and the first image automatically</source>
        <translation>最後の画像と最初の画像を自動で位置合わせ</translation>
    </message>
    <message>
        <source>Align</source>
        <translation>位置合わせ</translation>
    </message>
    <message>
        <source>Stitch</source>
        <translation>貼り合わせ</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Place the first image (drawn over the last one) where it continues the last image.</source>
        <translation>最初の画像 (最後の画像に重ねて表示) を、最後の画像に続く位置に合わせてください。</translation>
    </message>
    <message>
        <source>Are you sure you want to stitch 360-degree cylindrical panorama?</source>
        <translation>360 度の円筒パノラマとして貼り合わせますか?</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Are you sure you go back to the previous window?</source>
        <translation>前の画面に戻りますか?</translation>
    </message>
</context>
<context>
    <name>SplashScreen</name>
    <message>
        <source>%1 starting...</source>
        <translation>%1 を起動しています...</translation>
    </message>
    <message>
        <source>Panorama stitching</source>
        <translation>パノラマ貼り合わせ</translation>
    </message>
</context>
<context>
    <name>StepWindows</name>
    <message>
        <source>At least two images are needed to stitch.</source>
        <translation>貼り合わせには 2 枚以上の画像が必要です。</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
</context>
<context>
    <name>StitchDriver</name>
    <message>
        <source>SelectPanoMethod ERROR !</source>
        <translation>SelectPanoMethod エラー!</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
    <message>
        <source>Please align the first and the last images.</source>
        <translation>最初の画像と最後の画像を位置合わせしてください。</translation>
    </message>
    <message>
        <source>No feature correspondence was found between some pictures, so they were stitched by their alignment alone.
Manual feature matching is recommended for a better result.</source>
        <translation>一部の画像の間で特徴点の対応が見つからなかったため、位置合わせの結果だけで貼り合わせました。
よりよい結果を得るには、手動で特徴点を対応付けることをお勧めします。</translation>
    </message>
    <message>
        <source>Info.</source>
        <translation>情報</translation>
    </message>
</context>
<context>
    <name>StitchParameterDialog</name>
    <message>
        <source>Image Size</source>
        <translation>画像サイズ</translation>
    </message>
    <message>
        <source>Stitch</source>
        <translation>貼り合わせ</translation>
    </message>
    <message>
        <source>Select a method</source>
        <translation>方式を選択</translation>
    </message>
    <message>
        <source>Translation</source>
        <translation>平行移動</translation>
    </message>
    <message>
        <source>Translation+rotation</source>
        <translation>平行移動+回転</translation>
    </message>
    <message>
        <source>Small</source>
        <translation>小</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>中</translation>
    </message>
    <message>
        <source>Large</source>
        <translation>大</translation>
    </message>
    <message>
        <source>360-degree panorama</source>
        <translation>360 度パノラマ</translation>
    </message>
    <message>
        <source>Lens angle of view</source>
        <translation>レンズの画角</translation>
    </message>
    <message>
        <source>degrees</source>
        <translation>度</translation>
    </message>
    <message>
        <source>After confirming the alignment, </source>
        <translation>位置合わせを確認したら、</translation>
    </message>
    <message>
        <source>Select a button</source>
        <translation>ボタンを選択</translation>
    </message>
    <message>
        <source>Big Plane</source>
        <translation>平面</translation>
    </message>
    <message>
        <source>Cylinder</source>
        <translation>円筒</translation>
    </message>
    <message>
        <source>Trans.+Rot.</source>
        <translation>移動+回転</translation>
    </message>
    <message>
        <source>Translation and rotation</source>
        <translation>平行移動と回転</translation>
    </message>
    <message>
        <source>Focal length of the lens in millimetres of a 35 mm frame (5 to 300)</source>
        <translation>レンズの焦点距離 (35 mm 判換算、5〜300 mm)</translation>
    </message>
    <message>
        <source>360 degree</source>
        <translation>360 度</translation>
    </message>
    <message>
        <source>Focal Length</source>
        <translation>焦点距離</translation>
    </message>
    <message>
        <source>mm</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>Color Adjustment</source>
        <translation>色調補正</translation>
    </message>
    <message>
        <source>Blending</source>
        <translation>ブレンド</translation>
    </message>
    <message>
        <source>Gradual</source>
        <translation>なだらか</translation>
    </message>
    <message>
        <source>Steep</source>
        <translation>急</translation>
    </message>
    <message>
        <source>Smooth</source>
        <translation>なめらか</translation>
    </message>
    <message>
        <source>Average</source>
        <translation>平均</translation>
    </message>
    <message>
        <source>None</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>黒</translation>
    </message>
    <message>
        <source>Grey</source>
        <translation>グレー</translation>
    </message>
    <message>
        <source>White</source>
        <translation>白</translation>
    </message>
    <message>
        <source>Background Color</source>
        <translation>背景色</translation>
    </message>
    <message>
        <source>Background color</source>
        <translation>背景色</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Please enter an integer between 5 and 300.</source>
        <translation>5 から 300 までの整数を入力してください。</translation>
    </message>
</context>
<context>
    <name>StitchSettings</name>
    <message>
        <source>With Small Size, it will process fast, but the resolution will be low.</source>
        <translation>サイズ「小」では処理は速くなりますが、解像度は低くなります。</translation>
    </message>
    <message>
        <source>With Middle Size, it will process with middle speed and the resolution will be middle.</source>
        <translation>サイズ「中」では処理速度、解像度ともに中程度になります。</translation>
    </message>
    <message>
        <source>With Large Size, the qality will be the best, but it will tak a long time.</source>
        <translation>サイズ「大」では最高の画質になりますが、処理に時間がかかります。</translation>
    </message>
</context>
<context>
    <name>TiffSettingsDialog</name>
    <message>
        <source>8 bits/channel (24 bits/pixel)</source>
        <translation>8 ビット/チャンネル (24 ビット/ピクセル)</translation>
    </message>
    <message>
        <source>16 bits/channel (48 bits/pixel)</source>
        <translation>16 ビット/チャンネル (48 ビット/ピクセル)</translation>
    </message>
    <message>
        <source>TIFF settings</source>
        <translation>TIFF の設定</translation>
    </message>
</context>
<context>
    <name>VrViewerDialog</name>
    <message>
        <source>VR Viewer</source>
        <translation>VR ビューア</translation>
    </message>
    <message>
        <source>Zoom-In</source>
        <translation>拡大</translation>
    </message>
    <message>
        <source>Zoom-Out</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>全体を表示</translation>
    </message>
    <message>
        <source>Zoom in percent; type a value and leave the box to apply it</source>
        <translation>表示倍率 (%)。値を入力し、欄から移動すると反映されます</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Error : Out of Memory
</source>
        <translation>エラー: メモリが不足しています
</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>エラー</translation>
    </message>
    <message>
        <source>Are you sure you go back to the previous window?</source>
        <translation>前の画面に戻りますか?</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>確認</translation>
    </message>
</context>
</TS>
