<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>ControlNames</name>
    <message>
        <source>Adjusts the brightness, contrast, softening or sharpening of a list of pictures. F1 lists the keys.</source>
        <translation>Règle la luminosité, le contraste, l&apos;adoucissement ou la netteté d&apos;une liste d&apos;images. F1 liste les touches.</translation>
    </message>
    <message>
        <source>Image list</source>
        <translation>Liste d&apos;images</translation>
    </message>
    <message>
        <source>The files to adjust. Delete removes the selected file; files and folders can be dropped here.</source>
        <translation>Les fichiers à régler. Delete retire le fichier sélectionné ; fichiers et dossiers peuvent être déposés ici.</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>How far the run is.</source>
        <translation>L&apos;avancement du traitement.</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Brightness strength</source>
        <translation>Intensité de la luminosité</translation>
    </message>
    <message>
        <source>From -100 to 100.</source>
        <translation>De -100 à 100.</translation>
    </message>
    <message>
        <source>Contrast strength</source>
        <translation>Intensité du contraste</translation>
    </message>
    <message>
        <source>From 0 to 100; 50 leaves the pictures as they are.</source>
        <translation>De 0 à 100 ; 50 laisse les images telles quelles.</translation>
    </message>
    <message>
        <source>Softening strength</source>
        <translation>Intensité de l&apos;adoucissement</translation>
    </message>
    <message>
        <source>From 1 to 10.</source>
        <translation>De 1 à 10.</translation>
    </message>
    <message>
        <source>Sharpening strength</source>
        <translation>Intensité de la netteté</translation>
    </message>
    <message>
        <source>Adjusts every picture of the list with this panel&apos;s strength. Esc stops the run.</source>
        <translation>Règle chaque image de la liste avec l&apos;intensité de ce panneau. Esc arrête le traitement.</translation>
    </message>
    <message>
        <source>Ctrl+O. Chooses picture files to add to the list.</source>
        <translation>Ctrl+O. Choisit les images à ajouter à la liste.</translation>
    </message>
    <message>
        <source>Adds the files of a folder and its subfolders.</source>
        <translation>Ajoute les fichiers d&apos;un dossier et de ses sous-dossiers.</translation>
    </message>
    <message>
        <source>Removes every file from the list.</source>
        <translation>Retire tous les fichiers de la liste.</translation>
    </message>
    <message>
        <source>Adds the sample pictures that come with the program.</source>
        <translation>Ajoute les images d&apos;exemple fournies avec le programme.</translation>
    </message>
    <message>
        <source>Arrow keys scroll, Page Up and Page Down by a page (with Shift sideways), Home and End to the corners; F shows both pictures whole or at 100 %.</source>
        <translation>Les touches fléchées font défiler, Page Up et Page Down d&apos;une page (avec Shift, de côté), Home et End vers les coins ; F montre les deux images entières ou à 100 %.</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Après</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Avant</translation>
    </message>
    <message>
        <source>The adjusted picture. </source>
        <translation>L&apos;image réglée. </translation>
    </message>
    <message>
        <source>The source picture. </source>
        <translation>L&apos;image source. </translation>
    </message>
    <message>
        <source>After picture</source>
        <translation>Image après</translation>
    </message>
    <message>
        <source>Before picture</source>
        <translation>Image avant</translation>
    </message>
    <message>
        <source>After picture area</source>
        <translation>Zone de l&apos;image après</translation>
    </message>
    <message>
        <source>Before picture area</source>
        <translation>Zone de l&apos;image avant</translation>
    </message>
    <message>
        <source>After, horizontal scroll</source>
        <translation>Après, défilement horizontal</translation>
    </message>
    <message>
        <source>Before, horizontal scroll</source>
        <translation>Avant, défilement horizontal</translation>
    </message>
    <message>
        <source>After, vertical scroll</source>
        <translation>Après, défilement vertical</translation>
    </message>
    <message>
        <source>Before, vertical scroll</source>
        <translation>Avant, défilement vertical</translation>
    </message>
    <message>
        <source>Review the results and save them. F1 lists the keys.</source>
        <translation>Vérifiez les résultats et enregistrez-les. F1 liste les touches.</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Résultats</translation>
    </message>
    <message>
        <source>One row per picture of the run; the selected one is shown below.</source>
        <translation>Une ligne par image du traitement ; celle sélectionnée est montrée dessous.</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Dossier de sortie</translation>
    </message>
    <message>
        <source>The folder the results are saved into.</source>
        <translation>Le dossier où les résultats sont enregistrés.</translation>
    </message>
    <message>
        <source>Browse for the output folder</source>
        <translation>Parcourir pour choisir le dossier de sortie</translation>
    </message>
    <message>
        <source>Save the results as JPEG files.</source>
        <translation>Enregistrer les résultats en fichiers JPEG.</translation>
    </message>
    <message>
        <source>Save the results as BMP files.</source>
        <translation>Enregistrer les résultats en fichiers BMP.</translation>
    </message>
    <message>
        <source>JPG quality</source>
        <translation>Qualité JPG</translation>
    </message>
    <message>
        <source>From 1 to 100.</source>
        <translation>De 1 à 100.</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Retour</translation>
    </message>
    <message>
        <source>Returns to the image list.</source>
        <translation>Revient à la liste d&apos;images.</translation>
    </message>
    <message>
        <source>Ctrl+S. Saves every result into the output folder; Esc stops the save.</source>
        <translation>Ctrl+S. Enregistre chaque résultat dans le dossier de sortie ; Esc arrête l&apos;enregistrement.</translation>
    </message>
    <message>
        <source>Answers</source>
        <translation>Réponses</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
</context>
<context>
    <name>KeyTexts</name>
    <message>
        <source>Keys
Tab, Shift+Tab: next or previous control
Space, Enter: press the focused button
Arrow keys, Page Up, Page Down, Home, End: move the focused slider, list selection or option
F1: this box

Main window
Ctrl+O: Add Image File(s)
Delete: remove the selected file from the list
Esc: stop the run (the pictures done so far are kept)

Results window
Ctrl+S: Save Results
Esc: stop saving (every file written is whole)
Before and After panes: arrow keys scroll; Page Up, Page Down by a page (with Shift sideways); Home, End to the corners; F shows both pictures whole or at 100 %

Compare view (Space on a row of the image list; Enter or Space on a result)
F or 0: fit; 1: 100 %; + and -: zoom in and out; arrow keys: pan
S: split view; [ and ]: move the divider
Page Up, Page Down: previous or next result
F11: full screen; Esc, Ctrl+W: leave full screen, else close the view

Lumivex %1
Licence: GPL-3.0-or-later (GNU General Public License, version 3 or any later version)</source>
        <translation>Touches
Tab, Shift+Tab : élément suivant ou précédent
Space, Enter : appuyer sur le bouton actif
Touches fléchées, Page Up, Page Down, Home, End : déplacer le curseur, la sélection de la liste ou l&apos;option active
F1 : cette fenêtre

Fenêtre principale
Ctrl+O : Ajouter des images
Delete : retirer de la liste le fichier sélectionné
Esc : arrêter le traitement (les images déjà faites sont gardées)

Fenêtre des résultats
Ctrl+S : Enregistrer les résultats
Esc : arrêter l&apos;enregistrement (chaque fichier écrit est complet)
Volets Avant et Après : les touches fléchées font défiler ; Page Up, Page Down d&apos;une page (avec Shift, de côté) ; Home, End vers les coins ; F montre les deux images entières ou à 100 %

Vue de comparaison (Space sur une ligne de la liste d&apos;images ; Enter ou Space sur un résultat)
F ou 0 : ajuster ; 1 : 100 % ; + et - : zoom avant et arrière ; touches fléchées : déplacer
S : vue partagée ; [ et ] : déplacer la séparation
Page Up, Page Down : résultat précédent ou suivant
F11 : plein écran ; Esc, Ctrl+W : quitter le plein écran, sinon fermer la vue

Lumivex %1
Licence : GPL-3.0-or-later (GNU General Public License, version 3 ou toute version ultérieure)</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>lumivex::CompareCanvas</name>
    <message>
        <source>Before and After</source>
        <translation>Avant et Après</translation>
    </message>
    <message>
        <source>The picture before and after the adjustment, at the same place and scale</source>
        <translation>L&apos;image avant et après le réglage, au même endroit et à la même échelle</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Avant</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Après</translation>
    </message>
</context>
<context>
    <name>lumivex::ComparePreviewLink</name>
    <message>
        <source>No picture is selected in the list.</source>
        <translation>Aucune image n&apos;est sélectionnée dans la liste.</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
</context>
<context>
    <name>lumivex::CompareResultsLink</name>
    <message>
        <source>Compare</source>
        <translation>Comparer</translation>
    </message>
</context>
<context>
    <name>lumivex::CompareView</name>
    <message>
        <source>Brightness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>Softening</source>
        <translation>Adoucissement</translation>
    </message>
    <message>
        <source>Sharpening</source>
        <translation>Netteté</translation>
    </message>
    <message>
        <source>Picture, adjustment and zoom</source>
        <translation>Image, réglage et zoom</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Previous picture</source>
        <translation>Image précédente</translation>
    </message>
    <message>
        <source>Next picture</source>
        <translation>Image suivante</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Ajuster</translation>
    </message>
    <message>
        <source>100 %</source>
        <translation>100 %</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Zoom arrière</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Zoom avant</translation>
    </message>
    <message>
        <source>Split view</source>
        <translation>Vue partagée</translation>
    </message>
    <message>
        <source>Split view (S); move the divider with [ and ]</source>
        <translation>Vue partagée (S) ; déplacer le séparateur avec [ et ]</translation>
    </message>
    <message>
        <source>Full screen</source>
        <translation>Plein écran</translation>
    </message>
    <message>
        <source>Move the divider left</source>
        <translation>Séparateur vers la gauche</translation>
    </message>
    <message>
        <source>Move the divider right</source>
        <translation>Séparateur vers la droite</translation>
    </message>
    <message>
        <source>Pan left</source>
        <translation>Déplacer vers la gauche</translation>
    </message>
    <message>
        <source>Pan right</source>
        <translation>Déplacer vers la droite</translation>
    </message>
    <message>
        <source>Pan up</source>
        <translation>Déplacer vers le haut</translation>
    </message>
    <message>
        <source>Pan down</source>
        <translation>Déplacer vers le bas</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Leave full screen, or close the view (Esc)</source>
        <translation>Quitter le plein écran, ou fermer la vue (Esc)</translation>
    </message>
    <message>
        <source>◀ Previous</source>
        <translation>◀ Précédente</translation>
    </message>
    <message>
        <source>Next ▶</source>
        <translation>Suivante ▶</translation>
    </message>
    <message>
        <source>Split</source>
        <translation>Partagée</translation>
    </message>
    <message>
        <source>There are no results to show.</source>
        <translation>Il n&apos;y a aucun résultat à montrer.</translation>
    </message>
    <message>
        <source>Reading the picture…</source>
        <translation>Lecture de l&apos;image…</translation>
    </message>
    <message>
        <source>Making the result…</source>
        <translation>Calcul du résultat…</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 sur %2</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Comparaison</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>échec</translation>
    </message>
    <message>
        <source>Fit (%1)</source>
        <translation>Ajusté (%1)</translation>
    </message>
    <message>
        <source>updating…</source>
        <translation>mise à jour…</translation>
    </message>
</context>
<context>
    <name>lumivex::ErrorReport</name>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Veuillez envoyer une capture d&apos;écran de ce message par e-mail à %1</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Erreur de l&apos;application</translation>
    </message>
</context>
<context>
    <name>lumivex::Failure</name>
    <message>
        <source>Cannot write the file (%1): %2</source>
        <translation>Impossible d&apos;écrire le fichier (%1) : %2</translation>
    </message>
    <message>
        <source>Cannot decode the picture (%1): %2</source>
        <translation>Impossible de décoder l&apos;image (%1) : %2</translation>
    </message>
    <message>
        <source>the file ends too early</source>
        <translation>le fichier se termine trop tôt</translation>
    </message>
    <message>
        <source>Picture is too large: %1 x %2 pixels would need %3 MB; the limit is 2048 MB</source>
        <translation>Image trop grande : %1 x %2 pixels demanderaient %3 Mo ; la limite est de 2048 Mo</translation>
    </message>
    <message>
        <source>File not found: %1</source>
        <translation>Fichier introuvable : %1</translation>
    </message>
    <message>
        <source>File cannot be opened (%1): %2</source>
        <translation>Impossible d&apos;ouvrir le fichier (%1) : %2</translation>
    </message>
    <message>
        <source>Not a picture file (it is a folder): %1</source>
        <translation>Pas un fichier image (c&apos;est un dossier) : %1</translation>
    </message>
    <message>
        <source>Not a regular file: %1</source>
        <translation>Pas un fichier ordinaire : %1</translation>
    </message>
    <message>
        <source>Not a picture file this program can read: %1</source>
        <translation>Pas un fichier image que ce programme sait lire : %1</translation>
    </message>
    <message>
        <source>Cannot save the image. GDI+ Error:%1</source>
        <translation>Impossible d&apos;enregistrer l&apos;image. Erreur GDI+ :%1</translation>
    </message>
    <message>
        <source>Not enough memory: a picture of %1 needs %2 MB, more than the %3 MB the batch may use</source>
        <translation>Mémoire insuffisante : une image de %1 demande %2 Mo, plus que les %3 Mo dont le lot dispose</translation>
    </message>
    <message>
        <source>There is no picture to save: %1</source>
        <translation>Aucune image à enregistrer : %1</translation>
    </message>
    <message>
        <source>Not saved: the output would replace a source file: %1</source>
        <translation>Non enregistré : le résultat remplacerait un fichier source : %1</translation>
    </message>
    <message>
        <source>The picture could not be read: %1</source>
        <translation>L&apos;image n&apos;a pas pu être lue : %1</translation>
    </message>
    <message>
        <source>The source has changed since the run: %1</source>
        <translation>La source a changé depuis le traitement : %1</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Mémoire insuffisante</translation>
    </message>
    <message>
        <source>There is no result for this item.</source>
        <translation>Il n&apos;y a aucun résultat pour cet élément.</translation>
    </message>
    <message>
        <source>No result: %1</source>
        <translation>Aucun résultat : %1</translation>
    </message>
    <message>
        <source>The result could not be made: %1</source>
        <translation>Le résultat n&apos;a pas pu être calculé : %1</translation>
    </message>
    <message>
        <source>the picture has no pixels</source>
        <translation>l&apos;image n&apos;a aucun pixel</translation>
    </message>
    <message>
        <source>the file is larger than 2 GB</source>
        <translation>le fichier dépasse 2 Go</translation>
    </message>
    <message>
        <source>the decoder gave no picture</source>
        <translation>le décodeur n&apos;a fourni aucune image</translation>
    </message>
    <message>
        <source>unknown JPEG error</source>
        <translation>erreur JPEG inconnue</translation>
    </message>
    <message>
        <source>libjxl cannot start</source>
        <translation>libjxl ne peut pas démarrer</translation>
    </message>
    <message>
        <source>libjxl cannot read the file</source>
        <translation>libjxl ne peut pas lire le fichier</translation>
    </message>
    <message>
        <source>libjxl gave an unexpected picture size</source>
        <translation>libjxl a fourni une taille d&apos;image inattendue</translation>
    </message>
    <message>
        <source>libjxl cannot write the picture</source>
        <translation>libjxl ne peut pas écrire l&apos;image</translation>
    </message>
    <message>
        <source>the file holds no picture</source>
        <translation>le fichier ne contient aucune image</translation>
    </message>
    <message>
        <source>a PNG chunk is corrupt</source>
        <translation>un bloc PNG est corrompu</translation>
    </message>
    <message>
        <source>unknown PNG error</source>
        <translation>erreur PNG inconnue</translation>
    </message>
    <message>
        <source>LibRaw does not know this camera&apos;s files</source>
        <translation>LibRaw ne connaît pas les fichiers de cet appareil</translation>
    </message>
    <message>
        <source>LibRaw gave no 8-bit picture</source>
        <translation>LibRaw n&apos;a fourni aucune image 8 bits</translation>
    </message>
</context>
<context>
    <name>lumivex::Form1</name>
    <message>
        <source>Add Image File(s)</source>
        <translation>Ajouter des images</translation>
    </message>
    <message>
        <source>Add All File(s) In Folder</source>
        <translation>Ajouter tout un dossier</translation>
    </message>
    <message>
        <source>Clear List</source>
        <translation>Vider la liste</translation>
    </message>
    <message>
        <source>Load Sample/Example Files</source>
        <translation>Charger les exemples</translation>
    </message>
    <message>
        <source>Brighness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Start Adjusting Brightness</source>
        <translation>Régler la luminosité</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>Start Adjusting Contrast</source>
        <translation>Régler le contraste</translation>
    </message>
    <message>
        <source>Softening</source>
        <translation>Adoucissement</translation>
    </message>
    <message>
        <source>Start Adjusting Softening</source>
        <translation>Adoucir</translation>
    </message>
    <message>
        <source>Sharpening</source>
        <translation>Netteté</translation>
    </message>
    <message>
        <source>Start Adjusting Sharpening</source>
        <translation>Renforcer la netteté</translation>
    </message>
    <message>
        <source>Drag and drop files here. Move | bar to the right if needed.</source>
        <translation>Glissez-déposez les fichiers ici. Déplacez la barre | vers la droite si besoin.</translation>
    </message>
    <message>
        <source>Add File(s) - Hold Ctrl or Shift to select multiple files</source>
        <translation>Ajouter des fichiers - Maintenez Ctrl ou Maj pour en sélectionner plusieurs</translation>
    </message>
    <message>
        <source>All Pictures (%1)</source>
        <translation>Toutes les images (%1)</translation>
    </message>
    <message>
        <source>Every Readable Picture (%1)</source>
        <translation>Toutes les images lisibles (%1)</translation>
    </message>
    <message>
        <source>All Files (%1)</source>
        <translation>Tous les fichiers (%1)</translation>
    </message>
    <message>
        <source>Enter file extension to load:<byte value="xd"/><byte value="xd"/>(* for all files, txt for all txt files, doc for all doc files, etc.)</source>
        <translation>Extension des fichiers à charger :<byte value="xd"/><byte value="xd"/>(* pour tous les fichiers, txt pour tous les fichiers txt, doc pour tous les fichiers doc, etc.)</translation>
    </message>
    <message>
        <source>Please select folder to add:</source>
        <translation>Veuillez choisir le dossier à ajouter :</translation>
    </message>
    <message>
        <source>Would you like this software to open the folder where these sample files are stored (so that you can view them before working with them)?</source>
        <translation>Voulez-vous ouvrir le dossier où sont stockés ces fichiers d&apos;exemple (pour les voir avant de travailler avec eux) ?</translation>
    </message>
    <message>
        <source>Please add files first.</source>
        <translation>Veuillez d&apos;abord ajouter des fichiers.</translation>
    </message>
    <message>
        <source>Esc stops the run</source>
        <translation>Esc arrête le traitement</translation>
    </message>
</context>
<context>
    <name>lumivex::Form2</name>
    <message>
        <source> Before:</source>
        <translation> Avant :</translation>
    </message>
    <message>
        <source> After (Results):</source>
        <translation> Après (résultats) :</translation>
    </message>
    <message>
        <source>Save Results To This Folder</source>
        <translation>Enregistrer les résultats dans ce dossier</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Save Results As</source>
        <translation>Enregistrer en</translation>
    </message>
    <message>
        <source>JPG</source>
        <translation>JPG</translation>
    </message>
    <message>
        <source>BMP</source>
        <translation>BMP</translation>
    </message>
    <message>
        <source>JPG Quality</source>
        <translation>Qualité JPG</translation>
    </message>
    <message>
        <source>&lt; Back</source>
        <translation>&lt; Retour</translation>
    </message>
    <message>
        <source>Save Results</source>
        <translation>Enregistrer les résultats</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>No result: %1</source>
        <translation>Aucun résultat : %1</translation>
    </message>
    <message>
        <source>There is no result for this item.</source>
        <translation>Il n&apos;y a aucun résultat pour cet élément.</translation>
    </message>
    <message>
        <source>Please select folder:</source>
        <translation>Veuillez choisir un dossier :</translation>
    </message>
    <message>
        <source>Output folder does not exist.</source>
        <translation>Le dossier de sortie n&apos;existe pas.</translation>
    </message>
    <message>
        <source>%1: saved as %2</source>
        <translation>%1 : enregistré sous %2</translation>
    </message>
    <message>
        <source>These results share a name with an earlier result, so they were saved under a numbered name:</source>
        <translation>Ces résultats portent le nom d&apos;un résultat précédent ; ils ont donc été enregistrés sous un nom numéroté :</translation>
    </message>
    <message>
        <source>Done.</source>
        <translation>Terminé.</translation>
    </message>
    <message>
        <source>%1; Esc stops the save</source>
        <translation>%1 ; Esc arrête l&apos;enregistrement</translation>
    </message>
    <message>
        <source>Saving %1 of %2</source>
        <translation>Enregistrement : %1 sur %2</translation>
    </message>
    <message>
        <source>Saving stopped after %1 of %2 files.</source>
        <translation>Enregistrement arrêté après %1 fichiers sur %2.</translation>
    </message>
</context>
<context>
    <name>lumivex::SettingsStore</name>
    <message>
        <source>Not a regular file: %1<byte value="xd"/>
Settings are kept only until the program ends.</source>
        <translation>Pas un fichier ordinaire : %1<byte value="xd"/>
Les réglages ne sont conservés que jusqu&apos;à la fin du programme.</translation>
    </message>
    <message>
        <source>The settings file cannot be read, nor kept aside (%1): %2<byte value="xd"/>
Settings are kept only until the program ends.</source>
        <translation>Le fichier de réglages est illisible et ne peut pas être mis de côté (%1) : %2<byte value="xd"/>
Les réglages ne sont conservés que jusqu&apos;à la fin du programme.</translation>
    </message>
    <message>
        <source>The settings file cannot be read; it was kept as %1 and the values that could be read are used: %2</source>
        <translation>Le fichier de réglages est illisible ; il a été conservé sous %1 et les valeurs lisibles sont utilisées : %2</translation>
    </message>
    <message>
        <source>Cannot save the settings (%1): %2</source>
        <translation>Impossible d&apos;enregistrer les réglages (%1) : %2</translation>
    </message>
    <message>
        <source>The settings file is larger than 1 MB, which settings never are; it was kept as %1 unread: %2</source>
        <translation>Le fichier de réglages dépasse 1 Mo, ce que des réglages ne font jamais ; il a été mis de côté sans être lu sous %1 : %2</translation>
    </message>
</context>
</TS>
