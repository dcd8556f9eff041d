<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
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
</context>
</TS>
