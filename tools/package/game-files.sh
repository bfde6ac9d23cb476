# Sourced: the six files the updater copies from its package's "data" folder
# into the installation, relative to "data"; Linux names are UTF-8.
game_files=(inst.ini qzfchk.ini セーブファイル設定.exe updchk/bn.kpk pac/update1.kpk pac/update2.kpk)
